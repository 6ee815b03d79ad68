#include "platform/win32/posix_time_zone.h"

#include <cctype>

namespace {

constexpr int kMaxOffsetHours = 24;
constexpr int kMaxTimeHours = 167;

// A read position in the rule text; every reader returns false and leaves
// the rule rejected at the first character it cannot take.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    bool Take(char c) {
        if (Peek() != c) {
            return false;
        }
        ++pos_;
        return true;
    }
    bool Name(std::string& out);
    bool Number(int low, int high, int& out);
    bool HoursMinutesSeconds(int maxHours, int& seconds);
    bool Transition(PosixTransition& out);

private:
    bool QuotedName(std::string& out);

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool Cursor::QuotedName(std::string& out) {
    std::size_t close = text_.find('>', pos_);
    if (close == std::string_view::npos) {
        return false;
    }
    out = std::string(text_.substr(pos_, close - pos_));
    pos_ = close + 1;
    return out.size() >= 3;
}

bool Cursor::Name(std::string& out) {
    if (Take('<')) {
        return QuotedName(out);
    }
    std::size_t start = pos_;
    while (IsAlpha(Peek())) {
        ++pos_;
    }
    out = std::string(text_.substr(start, pos_ - start));
    return out.size() >= 3;
}

bool Cursor::Number(int low, int high, int& out) {
    if (!IsDigit(Peek())) {
        return false;
    }
    long value = 0;
    while (IsDigit(Peek()) && value <= high) {
        value = value * 10 + (text_[pos_++] - '0');
    }
    out = static_cast<int>(value);
    return value >= low && value <= high && !IsDigit(Peek());
}

// [+|-]hh[:mm[:ss]] as signed seconds.
bool Cursor::HoursMinutesSeconds(int maxHours, int& seconds) {
    int sign = Take('-') ? -1 : 1;
    if (sign > 0) {
        Take('+');
    }
    int hours = 0, minutes = 0, secs = 0;
    if (!Number(0, maxHours, hours)) {
        return false;
    }
    if (Take(':') && (!Number(0, 59, minutes) || (Take(':') && !Number(0, 59, secs)))) {
        return false;
    }
    seconds = sign * (hours * 3600 + minutes * 60 + secs);
    return true;
}

bool Cursor::Transition(PosixTransition& out) {
    bool read = false;
    if (Take('M')) {
        out.form = PosixTransition::kMonthWeekDay;
        read = Number(1, 12, out.month) && Take('.') && Number(1, 5, out.week) && Take('.') &&
               Number(0, 6, out.weekday);
    } else if (Take('J')) {
        out.form = PosixTransition::kJulianWithoutLeapDay;
        read = Number(1, 365, out.day);
    } else {
        out.form = PosixTransition::kJulianFromZero;
        read = Number(0, 365, out.day);
    }
    out.seconds = 7200;
    return read && (!Take('/') || HoursMinutesSeconds(kMaxTimeHours, out.seconds));
}

PosixTransition MonthWeekDay(int month, int week) {
    PosixTransition t;
    t.month = month;
    t.week = week;
    return t;
}

bool ReadDaylightPart(Cursor& in, PosixTimeZone& zone) {
    if (!in.Name(zone.daylightName)) {
        return false;
    }
    zone.daylightOffset = zone.standardOffset - 3600;
    if (in.Peek() != ',' && !in.AtEnd() &&
        !in.HoursMinutesSeconds(kMaxOffsetHours, zone.daylightOffset)) {
        return false;
    }
    if (in.AtEnd()) {
        zone.daylightStart = MonthWeekDay(3, 2);
        zone.daylightEnd = MonthWeekDay(11, 1);
        return true;
    }
    return in.Take(',') && in.Transition(zone.daylightStart) && in.Take(',') &&
           in.Transition(zone.daylightEnd);
}

} // namespace

std::optional<PosixTimeZone> ParsePosixTimeZone(std::string_view text) {
    Cursor in(text);
    PosixTimeZone zone;
    if (!in.Name(zone.standardName) ||
        !in.HoursMinutesSeconds(kMaxOffsetHours, zone.standardOffset)) {
        return std::nullopt;
    }
    if (!in.AtEnd() && !ReadDaylightPart(in, zone)) {
        return std::nullopt;
    }
    if (!in.AtEnd()) {
        return std::nullopt;
    }
    return zone;
}
