// The iCalendar 2.0 RRULE: NAME=VALUE parts separated by ";", mapped onto the
// Outlook pattern that FREQ and the BY parts allow.

#include "engine/import/date_values.h"
#include "engine/import/line_reader.h"
#include "engine/import/recurrence_rule.h"

#include <optional>

namespace {

constexpr int kMaxByDayItems = 365;

// "-1SU", "2MO", "FR": an optional signed number and a weekday code.
bool ParseWeekdayItem(std::string_view item, int& number, int32_t& bit) {
    item = TrimView(item);
    if (item.size() < 2) {
        return false;
    }
    bit = WeekdayBit(item.substr(item.size() - 2));
    std::string_view prefix = item.substr(0, item.size() - 2);
    int digits = 0;
    bool signedNumber = !prefix.empty() && (prefix[0] == '+' || prefix[0] == '-');
    std::string_view unsignedPart = signedNumber ? prefix.substr(1) : prefix;
    if (bit == 0 || (!prefix.empty() && !ParseDigits(unsignedPart, digits))) {
        return false;
    }
    number = (!prefix.empty() && prefix[0] == '-') ? -digits : digits;
    return true;
}

struct ICalRuleReader {
    explicit ICalRuleReader(RecurrenceFields& fields) : rule(fields) {}

    RecurrenceFields& rule;
    std::string errors;
    std::string notSupported;
    std::string freq;
    std::optional<std::string> byMonthDay;
    std::optional<std::string> byMonth;
    std::optional<std::string> bySetPos;
    int dayCount = 0;
    bool hasInstance = false;
    int firstNumber = 0;
    int32_t firstBit = 0;

    void ReadPart(std::string_view part);
    void ReadByDay(std::string_view value);
    void ApplyFreq();
    void Daily();
    void Weekly();
    void Monthly();
    void Yearly();
    void DayOfMonth(const char* freqName);
    void Instance();
    bool IsValid() const;
    void NotSupportedIf(bool condition, const char* item) {
        if (condition) {
            notSupported += item;
        }
    }
};

void ICalRuleReader::ReadPart(std::string_view part) {
    size_t equals = part.find('=');
    std::string name = Trim(part.substr(0, equals));
    std::string value =
        equals == std::string_view::npos ? std::string() : Trim(part.substr(equals + 1));
    if (name == "FREQ") {
        freq = value;
    } else if (name == "UNTIL") {
        if (IsValidDateText(value)) {
            rule.RuleUntil = value;
        } else {
            errors += "invalid UNTIL;";
        }
    } else if (name == "COUNT") {
        rule.RuleCount = LeadingNumber(value);
    } else if (name == "INTERVAL") {
        rule.RuleInterval = LeadingNumber(value);
    } else if (name == "BYDAY") {
        ReadByDay(value);
    } else if (name == "BYMONTHDAY") {
        byMonthDay = value;
    } else if (name == "BYMONTH") {
        byMonth = value;
    } else if (name == "BYSETPOS") {
        bySetPos = value;
    } else if (name == "WKST") {
        int number = 0;
        int32_t bit = 0;
        if (!ParseWeekdayItem(value, number, bit)) {
            errors += "invalid WKST;";
        }
    } else {
        notSupported += std::string(part) + ";";
    }
}

void ICalRuleReader::ReadByDay(std::string_view value) {
    bool invalid = false;
    int items = 0;
    size_t begin = 0;
    while (begin <= value.size()) {
        size_t end = value.find(',', begin);
        if (end == std::string_view::npos) {
            end = value.size();
        }
        if (++items > kMaxByDayItems) {
            errors += "Too many days in BYDAY;";
            return;
        }
        int number = 0;
        int32_t bit = 0;
        if (!ParseWeekdayItem(value.substr(begin, end - begin), number, bit)) {
            if (!invalid) {
                errors += "Invalid WEEKDAY(s) in BYDAY;";
            }
            invalid = true;
        } else {
            if (dayCount++ == 0) {
                firstNumber = number;
                firstBit = bit;
            }
            rule.RuleDayMask |= bit;
            hasInstance = hasInstance || number != 0;
        }
        begin = end + 1;
    }
}

void ICalRuleReader::ApplyFreq() {
    if (freq == "DAILY") {
        Daily();
    } else if (freq == "WEEKLY") {
        Weekly();
    } else if (freq == "MONTHLY") {
        Monthly();
    } else if (freq == "YEARLY") {
        Yearly();
    } else {
        notSupported += "FREQ=" + freq + ";";
    }
}

void ICalRuleReader::Daily() {
    NotSupportedIf(byMonth.has_value(), "BYMONTH in DAILY rule;");
    NotSupportedIf(byMonthDay.has_value(), "BYMONTHDAY in DAILY rule;");
    NotSupportedIf(bySetPos.has_value(), "BYSETPOS in DAILY rule;");
    if (dayCount == 0) {
        rule.RuleType = kRuleDaily;
        return;
    }
    NotSupportedIf(hasInstance, "BYDAY INSTANCE;");
    if (rule.RuleInterval > 1) {
        notSupported += "INTERVAL != 1 IN DAILY RULE WITH BYDAY;";
        rule.RuleInterval = 0;
    }
    rule.RuleType = kRuleWeekly;
}

void ICalRuleReader::Weekly() {
    NotSupportedIf(byMonth.has_value(), "BYMONTH in WEEKLY rule;");
    NotSupportedIf(byMonthDay.has_value(), "BYMONTHDAY in WEEKLY rule;");
    NotSupportedIf(bySetPos.has_value(), "BYSETPOS in WEEKLY rule;");
    NotSupportedIf(hasInstance, "BYDAY INSTANCE;");
    rule.RuleType = kRuleWeekly;
}

void ICalRuleReader::Monthly() {
    NotSupportedIf(byMonth.has_value(), "BYMONTH in MONTHLY rule;");
    if (byMonthDay) {
        DayOfMonth("MONTHLY");
        rule.RuleType = kRuleMonthly;
    } else if (!bySetPos && dayCount == 0) {
        rule.RuleType = kRuleMonthly;
    } else {
        rule.RuleType = kRuleMonthNth;
        Instance();
    }
}

void ICalRuleReader::Yearly() {
    if (rule.RuleInterval > 1) {
        notSupported += "INTERVAL > 1 in YEARLY RULE;";
        rule.RuleInterval = 1;
    }
    if (byMonth) {
        NotSupportedIf(byMonth->find(',') != std::string::npos, "multiple month in BYMONTH;");
        rule.RuleMonth = LeadingNumber(*byMonth);
    }
    if (byMonthDay) {
        DayOfMonth("YEARLY");
        rule.RuleType = kRuleYearly;
    } else if (!bySetPos && dayCount == 0) {
        rule.RuleType = kRuleYearly;
    } else {
        rule.RuleType = kRuleYearNth;
        Instance();
    }
}

void ICalRuleReader::DayOfMonth(const char* freqName) {
    std::string suffix = std::string(" in ") + freqName + " rule;";
    NotSupportedIf(dayCount > 0, ("BYDAY & BYMONTHDAY" + suffix).c_str());
    NotSupportedIf(bySetPos.has_value(), ("BYSETPOS & BYMONTHDAY" + suffix).c_str());
    NotSupportedIf(byMonthDay->find(',') != std::string::npos, "Multi days in BYMONTHDAY;");
    int day = LeadingNumber(*byMonthDay);
    rule.RuleDayOfMonth = day < 0 ? 32 + day : day;
}

// Week of the month from -1 or 1..4; 0 when it cannot be expressed.
int InstanceOf(int number) {
    if (number >= 1 && number <= 4) {
        return number;
    }
    return number == -1 ? 5 : 0;
}

void ICalRuleReader::Instance() {
    if (bySetPos) {
        NotSupportedIf(bySetPos->find(',') != std::string::npos, "Multi days in BYSETPOS;");
        NotSupportedIf(hasInstance, "BYSETPOS & BYDAY instances;");
        rule.RuleInstance = InstanceOf(LeadingNumber(*bySetPos));
        NotSupportedIf(rule.RuleInstance == 0, "Day not equal(-1, or 1-4) in BYSETPOS;");
        return;
    }
    if (firstNumber == 0) {
        notSupported += "No instance was defined;";
        rule.RuleInstance = 0;
        return;
    }
    rule.RuleDayMask = firstBit;
    NotSupportedIf(dayCount > 1, "Instance day & multi days in BYDAY without BYSETPOS;");
    rule.RuleInstance = InstanceOf(firstNumber);
    NotSupportedIf(rule.RuleInstance == 0, "Instance not equal(-1, or 1-4) in first day in BYDAY;");
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

bool ICalRuleReader::IsValid() const {
    bool instanceOk =
        InRange(rule.RuleInstance, 1, 5) || (rule.RuleInstance == 0 && rule.RuleDayMask != 0);
    switch (rule.RuleType) {
    case kRuleDaily:
    case kRuleWeekly:
        return rule.RuleInterval >= 0;
    case kRuleMonthly:
        return InRange(rule.RuleDayOfMonth, 0, 31) && rule.RuleInterval >= 0;
    case kRuleMonthNth:
        return rule.RuleInterval >= 0 && instanceOk;
    case kRuleYearly:
        return InRange(rule.RuleDayOfMonth, 0, 31) && InRange(rule.RuleMonth, 0, 12);
    case kRuleYearNth:
        return InRange(rule.RuleMonth, 0, 12) && instanceOk;
    default:
        return false;
    }
}

} // namespace

void ParseICalRule(std::string_view value, RecurrenceFields& rule, RuleMessages& messages) {
    rule = RecurrenceFields{};
    std::string text = UpperAscii(TrimView(value));
    ICalRuleReader reader(rule);
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find(';', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > begin) {
            reader.ReadPart(std::string_view(text).substr(begin, end - begin));
        }
        begin = end + 1;
    }
    reader.ApplyFreq();
    bool valid = reader.IsValid();
    if (!valid) {
        rule.RuleType = kRuleNone;
    }
    if (valid && reader.errors.empty() && reader.notSupported.empty()) {
        return;
    }
    std::string report = valid ? "" : "RRULE is invalid";
    auto addLine = [&report](const std::string& line) {
        report += (report.empty() ? "" : "\n") + line;
    };
    if (!reader.errors.empty()) {
        addLine("Was errors:" + reader.errors);
    }
    if (!reader.notSupported.empty()) {
        addLine("Not supported:" + reader.notSupported);
    }
    messages.push_back({report, 2});
}
