// The vCalendar 1.0 rule grammar: a form with its interval ("D2", "W1",
// "MD1", "MP1", "YM1"), the form's own tokens, then "#count" or an end date.

#include "engine/import/date_values.h"
#include "engine/import/line_reader.h"
#include "engine/import/recurrence_rule.h"

namespace {

enum class Form { None, Daily, Weekly, MonthlyByDay, MonthlyByPosition, YearlyByMonth };

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view WithoutEndMark(std::string_view token) {
    return (!token.empty() && token.back() == '$') ? token.substr(0, token.size() - 1) : token;
}

bool IsWeekdayToken(std::string_view token) {
    std::string_view code = WithoutEndMark(token);
    return code.size() == 2 && IsLetter(code[0]) && IsLetter(code[1]);
}

bool IsDigitsToken(std::string_view token, int& number) {
    return ParseDigits(WithoutEndMark(token), number);
}

// "1+", "2-", "1-$": an occurrence of a weekday within the month.
bool IsOccurrenceToken(std::string_view token, int& number, bool& fromEnd) {
    std::string_view core = WithoutEndMark(token);
    if (core.size() < 2 || (core.back() != '+' && core.back() != '-')) {
        return false;
    }
    fromEnd = core.back() == '-';
    return ParseDigits(core.substr(0, core.size() - 1), number);
}

bool IsDayNumberToken(std::string_view token) {
    return token.find_first_not_of("0123456789+-$") == std::string_view::npos;
}

struct VCalRuleReader {
    VCalRuleReader(RecurrenceFields& fields, RuleMessages& log, std::vector<std::string_view> words)
        : rule(fields), messages(log), tokens(std::move(words)) {}

    RecurrenceFields& rule;
    RuleMessages& messages;
    std::vector<std::string_view> tokens;
    size_t next = 1;
    Form form = Form::None;
    bool hasCount = false;
    std::string_view countText;
    bool hasEnd = false;
    std::string_view endText;
    bool dayGiven = false;
    bool occurrenceGiven = false;
    bool monthGiven = false;
    int weekdayList = 0; // 0 not begun, 1 being read, 2 closed by another token

    void Log(const char* text, int level) { messages.push_back({text, level}); }

    void ReadForm();
    void ReadTokens();
    bool ReadToken(std::string_view token);
    bool DailyToken(std::string_view token);
    bool WeeklyToken(std::string_view token);
    bool MonthlyByDayToken(std::string_view token);
    bool MonthlyByPositionToken(std::string_view token);
    bool YearlyByMonthToken(std::string_view token);
    bool YearlyDayOfMonth();
    bool YearlyPosition();
    void Weekday(std::string_view token);
    void Occurrence(int number, bool fromEnd);
    void LastDayOfMonth();
    void Finish();
    bool IsValid() const;
};

void VCalRuleReader::ReadForm() {
    std::string_view first = tokens[0];
    struct FormPrefix {
        std::string_view prefix;
        Form form;
    };
    static constexpr FormPrefix kForms[] = {
        {"MD", Form::MonthlyByDay},
        {"MP", Form::MonthlyByPosition},
        {"D", Form::Daily},
        {"W", Form::Weekly},
    };
    if (first.starts_with("YD")) {
        Log("Rule \"yearly by day\" is not supported", 2);
        return;
    }
    if (first == "YM1") {
        form = Form::YearlyByMonth;
        rule.RuleInterval = 1;
        return;
    }
    for (const FormPrefix& entry : kForms) {
        int interval = 0;
        if (first.starts_with(entry.prefix) &&
            ParseDigits(first.substr(entry.prefix.size()), interval)) {
            form = entry.form;
            rule.RuleInterval = interval;
            return;
        }
    }
}

void VCalRuleReader::ReadTokens() {
    if (form == Form::None) {
        return;
    }
    for (; next < tokens.size(); ++next) {
        std::string_view token = tokens[next];
        if (token.front() == '#') {
            hasCount = true;
            countText = token.substr(1);
            return;
        }
        if (token.size() == 15 || token.size() == 16) {
            hasEnd = true;
            endText = token;
            return;
        }
        if (!ReadToken(token)) {
            return;
        }
    }
}

bool VCalRuleReader::ReadToken(std::string_view token) {
    switch (form) {
    case Form::Daily:
        return DailyToken(token);
    case Form::Weekly:
        return WeeklyToken(token);
    case Form::MonthlyByDay:
        return MonthlyByDayToken(token);
    case Form::MonthlyByPosition:
        return MonthlyByPositionToken(token);
    case Form::YearlyByMonth:
        return YearlyByMonthToken(token);
    case Form::None:
        break;
    }
    return false;
}

bool VCalRuleReader::DailyToken(std::string_view token) {
    int number = 0;
    if (IsDigitsToken(token, number)) {
        Log("<time> not supported", 2);
        return true;
    }
    Log("<minuteop> not supported", 2);
    return false;
}

bool VCalRuleReader::WeeklyToken(std::string_view token) {
    int number = 0;
    if (IsWeekdayToken(token)) {
        Weekday(token);
        return true;
    }
    if (IsDigitsToken(token, number)) {
        Log("<timelist> not supported", 2);
        return true;
    }
    Log("<minuteop> not supported", 2);
    return false;
}

bool VCalRuleReader::MonthlyByDayToken(std::string_view token) {
    if (token != "LD" && !IsDayNumberToken(token)) {
        Log("embedded rules not supported", 2);
        return false;
    }
    if (dayGiven) {
        Log("multiple daynumbers is not supported", 2);
        return true;
    }
    dayGiven = true;
    int day = token == "LD" ? 1 : LeadingNumber(token);
    bool fromEnd = token == "LD" || token.find('-') != std::string_view::npos;
    if (day == 0) {
        Log("invalid DayOfMonth", 2);
    } else if (fromEnd && day == 1) {
        LastDayOfMonth();
    } else {
        rule.RuleDayOfMonth = fromEnd ? 32 - day : day;
    }
    return true;
}

bool VCalRuleReader::MonthlyByPositionToken(std::string_view token) {
    int number = 0;
    bool fromEnd = false;
    if (IsWeekdayToken(token)) {
        if (weekdayList == 2) {
            Log("multiple <weekdaylist> is not supported", 2);
            return true;
        }
        weekdayList = 1;
        Weekday(token);
        return true;
    }
    if (weekdayList == 1) {
        weekdayList = 2;
    }
    if (IsOccurrenceToken(token, number, fromEnd)) {
        if (occurrenceGiven) {
            Log("multiple occurrences is not supported", 2);
        } else {
            occurrenceGiven = true;
            Occurrence(number, fromEnd);
        }
        return true;
    }
    std::string_view core = WithoutEndMark(token);
    if (core.size() == 4 && ParseDigits(core, number)) {
        Log("<timelist> not supported", 2);
        return true;
    }
    Log("embedded rules not supported", 2);
    return false;
}

bool VCalRuleReader::YearlyByMonthToken(std::string_view token) {
    int month = 0;
    if (IsDigitsToken(token, month)) {
        if (monthGiven) {
            Log("mutiple <month> is not supported", 1);
            return true;
        }
        monthGiven = true;
        rule.RuleMonth = month;
        if (month < 1 || month > 12) {
            Log("invalid <month>", 1);
        }
        return true;
    }
    if (token == "MD1") {
        return YearlyDayOfMonth();
    }
    if (token == "MP1") {
        return YearlyPosition();
    }
    Log("rule is not supported", 2);
    return false;
}

bool VCalRuleReader::YearlyDayOfMonth() {
    int day = 0;
    if (next + 1 >= tokens.size() || !IsDigitsToken(tokens[next + 1], day)) {
        Log("rule is not supported", 2);
        return false;
    }
    ++next;
    rule.RuleDayOfMonth = day;
    if (day >= 1 && day <= 31) {
        rule.RuleType = kRuleYearly;
    } else {
        Log("rule is not supported", 2);
    }
    return true;
}

bool VCalRuleReader::YearlyPosition() {
    int number = 0;
    bool fromEnd = false;
    if (next + 1 >= tokens.size() || !IsOccurrenceToken(tokens[next + 1], number, fromEnd)) {
        Log("rule is not supported", 2);
        return false;
    }
    ++next;
    Occurrence(number, fromEnd);
    while (next + 1 < tokens.size() && IsWeekdayToken(tokens[next + 1])) {
        Weekday(tokens[++next]);
    }
    if (rule.RuleDayMask != 0) {
        rule.RuleType = kRuleYearNth;
    }
    return true;
}

void VCalRuleReader::Weekday(std::string_view token) {
    int32_t bit = WeekdayBit(token.substr(0, 2));
    if (bit == 0) {
        Log("<weekday> is invalid", 2);
        return;
    }
    if (token.size() == 3) {
        Log("<endmarker> is not supported", 1);
    }
    rule.RuleDayMask |= bit;
}

void VCalRuleReader::Occurrence(int number, bool fromEnd) {
    if (number == 0) {
        Log("invalid occurrence", 2);
        return;
    }
    rule.RuleInstance = fromEnd ? 6 - number : number;
    if (fromEnd && number != 1) {
        Log("occurrence with \"-\" is not correctly supported", 2);
    }
}

void VCalRuleReader::LastDayOfMonth() {
    rule.RuleType = kRuleMonthNth;
    rule.RuleDayMask = kAllWeekdays;
    rule.RuleInstance = 5;
}

void VCalRuleReader::Finish() {
    if (hasCount) {
        rule.RuleCount = LeadingNumber(countText);
    }
    if (hasEnd) {
        if (IsValidDateText(endText)) {
            rule.RuleUntil = std::string(endText);
        } else {
            Log("<enddate> error", 2);
        }
    }
    if (rule.RuleCount < 0 && rule.RuleUntil.empty()) {
        rule.RuleCount = 2;
    }
    if (!IsValid()) {
        Log("RRULE is invalid", 2);
        rule.RuleType = kRuleNone;
    }
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

bool VCalRuleReader::IsValid() const {
    switch (rule.RuleType) {
    case kRuleDaily:
        return rule.RuleInterval > 0;
    case kRuleWeekly:
        return rule.RuleDayMask != 0;
    case kRuleMonthly:
        return InRange(rule.RuleDayOfMonth, 1, 31);
    case kRuleMonthNth:
        return InRange(rule.RuleInstance, 1, 5) && rule.RuleDayMask != 0;
    case kRuleYearly:
        return InRange(rule.RuleDayOfMonth, 1, 31) && InRange(rule.RuleMonth, 1, 12);
    case kRuleYearNth:
        return InRange(rule.RuleMonth, 1, 12) && InRange(rule.RuleInstance, 1, 5) &&
               rule.RuleDayMask != 0;
    default:
        return false;
    }
}

// The type a form gives before its tokens are read; the yearly form waits
// for MD1 or MP1.
int32_t TypeOfForm(Form form) {
    switch (form) {
    case Form::Daily:
        return kRuleDaily;
    case Form::Weekly:
        return kRuleWeekly;
    case Form::MonthlyByDay:
        return kRuleMonthly;
    case Form::MonthlyByPosition:
        return kRuleMonthNth;
    default:
        return kRuleNone;
    }
}

std::vector<std::string_view> SplitAtSpaces(std::string_view text) {
    std::vector<std::string_view> tokens;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find(' ', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > begin) {
            tokens.push_back(text.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return tokens;
}

} // namespace

void ParseVCalRule(std::string_view value, RecurrenceFields& rule, RuleMessages& messages) {
    rule = RecurrenceFields{};
    rule.RuleInterval = -1;
    std::string text = UpperAscii(TrimView(value));
    VCalRuleReader reader(rule, messages, SplitAtSpaces(text));
    if (!reader.tokens.empty()) {
        reader.ReadForm();
        rule.RuleType = TypeOfForm(reader.form);
        reader.ReadTokens();
    }
    reader.Finish();
}
