#include "platform/com/ole_date_time.h"

#include <cmath>
#include <iterator>

namespace {

constexpr double kMinDate = -657434.0;            // 1 January 100
constexpr double kMaxDate = 2958465.99999999;     // 31 December 9999 23:59:59
constexpr long long kEpochDaysFromCivil = 693899; // days from 0000-03-01 to 1899-12-30
constexpr double kHalfSecond = 0.5 / 86400.0;

// Days from 1 March of year 0 for a proleptic Gregorian date (H. Hinnant).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe);
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool InRange(DATE date) {
    return !std::isnan(date) && date >= kMinDate && date <= kMaxDate;
}

struct Fields {
    int year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
};

bool Split(DATE date, Fields& f) {
    if (!InRange(date)) {
        return false;
    }
    double linear = OleDateToLinear(date) + kHalfSecond;
    double wholeDays = std::floor(linear);
    long long days = static_cast<long long>(wholeDays);
    long seconds = static_cast<long>((linear - wholeDays) * 86400.0);
    if (seconds >= 86400) {
        seconds = 86399;
    }
    CivilFromDays(days + kEpochDaysFromCivil, f.year, f.month, f.day);
    f.hour = static_cast<int>(seconds / 3600);
    f.minute = static_cast<int>(seconds / 60 % 60);
    f.second = static_cast<int>(seconds % 60);
    // 30 December 1899 was a Saturday.
    f.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7);
    f.dayOfYear = static_cast<int>(days + kEpochDaysFromCivil - DaysFromCivil(f.year, 1, 1)) + 1;
    return true;
}

bool Join(int year, int month, int day, int hour, int minute, int second, DATE& out) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        return false;
    }
    long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                     kEpochDaysFromCivil;
    double linear = static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
    out = LinearToOleDate(linear);
    return true;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// The decimal digits of a value that is not negative (every field is one),
// at least width of them with leading zeros.
void AppendNumber(std::string& out, int value, int width) {
    char digits[12];
    char* first = std::end(digits);
    for (int n = 0; n < width || value > 0; ++n) {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(first, static_cast<size_t>(std::end(digits) - first));
}

void AppendField(std::string& out, char conversion, const Fields& f) {
    switch (conversion) {
    case 'Y':
        AppendNumber(out, f.year, 4);
        break;
    case 'y':
        AppendNumber(out, f.year % 100, 2);
        break;
    case 'm':
        AppendNumber(out, f.month, 2);
        break;
    case 'd':
        AppendNumber(out, f.day, 2);
        break;
    case 'H':
        AppendNumber(out, f.hour, 2);
        break;
    case 'I':
        AppendNumber(out, f.hour % 12 == 0 ? 12 : f.hour % 12, 2);
        break;
    case 'M':
        AppendNumber(out, f.minute, 2);
        break;
    case 'S':
        AppendNumber(out, f.second, 2);
        break;
    case 'j':
        AppendNumber(out, f.dayOfYear, 3);
        break;
    case 'p':
        out += f.hour < 12 ? "AM" : "PM";
        break;
    case 'a':
        out.append(kDayNames[f.dayOfWeek], 3);
        break;
    case 'A':
        out += kDayNames[f.dayOfWeek];
        break;
    case 'b':
        out.append(kMonthNames[f.month - 1], 3);
        break;
    case 'B':
        out += kMonthNames[f.month - 1];
        break;
    case '%':
        out += '%';
        break;
    default:
        out += '%';
        out += conversion;
        break;
    }
}

} // namespace

bool IsOleDateInRange(DATE date) {
    return InRange(date);
}

double OleDateToLinear(DATE date) {
    if (date >= 0) {
        return date;
    }
    double whole = std::trunc(date);
    return whole - (date - whole);
}

DATE LinearToOleDate(double linear) {
    if (linear >= 0) {
        return linear;
    }
    double whole = std::floor(linear);
    return whole - (linear - whole);
}

BOOL SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* out) {
    if (st == nullptr || out == nullptr) {
        return FALSE;
    }
    return Join(st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute, st->wSecond, *out) ? TRUE
                                                                                            : FALSE;
}

BOOL VariantTimeToSystemTime(DATE date, SYSTEMTIME* out) {
    Fields f;
    if (out == nullptr || !Split(date, f)) {
        return FALSE;
    }
    *out = SYSTEMTIME{static_cast<WORD>(f.year),      static_cast<WORD>(f.month),
                      static_cast<WORD>(f.dayOfWeek), static_cast<WORD>(f.day),
                      static_cast<WORD>(f.hour),      static_cast<WORD>(f.minute),
                      static_cast<WORD>(f.second),    0};
    return TRUE;
}

COleDateTimeSpan::COleDateTimeSpan(long days, int hours, int minutes, int seconds) {
    SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(long days, int hours, int minutes, int seconds) {
    m_span = days + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
    m_status = valid;
}

namespace {
long long SpanSeconds(double span) {
    return std::llround(span * 86400.0);
}
} // namespace

long COleDateTimeSpan::GetDays() const {
    return static_cast<long>(SpanSeconds(m_span) / 86400);
}
long COleDateTimeSpan::GetHours() const {
    return static_cast<long>(SpanSeconds(m_span) / 3600 % 24);
}
long COleDateTimeSpan::GetMinutes() const {
    return static_cast<long>(SpanSeconds(m_span) / 60 % 60);
}
long COleDateTimeSpan::GetSeconds() const {
    return static_cast<long>(SpanSeconds(m_span) % 60);
}

COleDateTimeSpan COleDateTimeSpan::operator-() const {
    COleDateTimeSpan result(-m_span);
    result.m_status = m_status;
    return result;
}

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const {
    COleDateTimeSpan result(m_span + other.m_span);
    if (m_status != valid || other.m_status != valid) {
        result.m_status = invalid;
    }
    return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const {
    return *this + (-other);
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const {
    return m_status == other.m_status && SpanSeconds(m_span) == SpanSeconds(other.m_span);
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& st) {
    SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

COleDateTime COleDateTime::Invalid() {
    COleDateTime result;
    result.m_status = invalid;
    return result;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (Join(year, month, day, hour, minute, second, m_dt)) {
        m_status = valid;
        return 0;
    }
    m_dt = 0;
    m_status = invalid;
    return 1;
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& st) const {
    return m_status == valid && VariantTimeToSystemTime(m_dt, &st) == TRUE;
}

namespace {
template <typename Pick>
int FieldOf(const COleDateTime& date, Pick pick) {
    Fields f;
    if (date.GetStatus() != COleDateTime::valid || !Split(date.m_dt, f)) {
        return -1;
    }
    return pick(f);
}
} // namespace

int COleDateTime::GetYear() const {
    return FieldOf(*this, [](const Fields& f) { return f.year; });
}
int COleDateTime::GetMonth() const {
    return FieldOf(*this, [](const Fields& f) { return f.month; });
}
int COleDateTime::GetDay() const {
    return FieldOf(*this, [](const Fields& f) { return f.day; });
}
int COleDateTime::GetHour() const {
    return FieldOf(*this, [](const Fields& f) { return f.hour; });
}
int COleDateTime::GetMinute() const {
    return FieldOf(*this, [](const Fields& f) { return f.minute; });
}
int COleDateTime::GetSecond() const {
    return FieldOf(*this, [](const Fields& f) { return f.second; });
}
int COleDateTime::GetDayOfWeek() const {
    return FieldOf(*this, [](const Fields& f) { return f.dayOfWeek + 1; });
}
int COleDateTime::GetDayOfYear() const {
    return FieldOf(*this, [](const Fields& f) { return f.dayOfYear; });
}

std::string COleDateTime::Format(const char* format) const {
    Fields f;
    if (m_status != valid || !Split(m_dt, f)) {
        return "Invalid DateTime";
    }
    std::string out;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p == '%' && p[1] != '\0') {
            AppendField(out, *++p, f);
        } else {
            out += *p;
        }
    }
    return out;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
    COleDateTime result(LinearToOleDate(OleDateToLinear(m_dt) + span.m_span));
    if (m_status != valid || span.m_status != COleDateTimeSpan::valid || !InRange(result.m_dt)) {
        result.m_status = invalid;
    }
    return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const {
    return *this + -span;
}

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) {
    return *this = *this + span;
}

COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) {
    return *this = *this - span;
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const {
    COleDateTimeSpan result(OleDateToLinear(m_dt) - OleDateToLinear(other.m_dt));
    if (m_status != valid || other.m_status != valid) {
        result.m_status = COleDateTimeSpan::invalid;
    }
    return result;
}

bool COleDateTime::operator==(const COleDateTime& other) const {
    return m_status == other.m_status && m_dt == other.m_dt;
}

bool COleDateTime::operator<(const COleDateTime& other) const {
    return OleDateToLinear(m_dt) < OleDateToLinear(other.m_dt);
}
