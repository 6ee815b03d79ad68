#include "platform/com/date_format.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

namespace {

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// The values the pictures need, taken from a validated SYSTEMTIME.
struct Parts {
    int year, month, day, dayOfWeek, hour, minute, second;
};

// Narrow text is appended in one piece; wide text a character at a time (an
// append of an iterator range would build a temporary string first).
template <typename Char>
void AppendAscii(std::basic_string<Char>& out, std::string_view text) {
    if constexpr (std::is_same_v<Char, char>) {
        out.append(text.data(), text.size());
    } else {
        for (const char c : text) {
            out += static_cast<Char>(c);
        }
    }
}

// The decimal digits of a value that is not negative, at least width of
// them with leading zeros.
template <typename Char>
void AppendNumber(std::basic_string<Char>& out, int value, int count, int fullWidth = 2) {
    const int width = count == 1 ? 1 : fullWidth;
    char digits[12];
    char* first = std::end(digits);
    for (int n = 0; n < width || value > 0; ++n) {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    AppendAscii(out, std::string_view(first, static_cast<size_t>(std::end(digits) - first)));
}

template <typename Char>
void AppendName(std::basic_string<Char>& out, const char* name, int count) {
    AppendAscii(out, count == 3 ? std::string_view(name, 3) : std::string_view(name));
}

template <typename Char>
void AppendDateField(std::basic_string<Char>& out, Char letter, int count, const Parts& p) {
    switch (letter) {
    case 'd':
        return count <= 2 ? AppendNumber(out, p.day, count)
                          : AppendName(out, kDayNames[p.dayOfWeek], std::min(count, 4));
    case 'M':
        return count <= 2 ? AppendNumber(out, p.month, count)
                          : AppendName(out, kMonthNames[p.month - 1], std::min(count, 4));
    case 'y':
        return count <= 2 ? AppendNumber(out, p.year % 100, count)
                          : AppendNumber(out, p.year, 4, 4);
    default: // 'g'
        return AppendAscii(out, "A.D.");
    }
}

template <typename Char>
void AppendTimeField(std::basic_string<Char>& out, Char letter, int count, const Parts& p) {
    count = std::min(count, 2);
    switch (letter) {
    case 'h':
        return AppendNumber(out, p.hour % 12 == 0 ? 12 : p.hour % 12, count);
    case 'H':
        return AppendNumber(out, p.hour, count);
    case 'm':
        return AppendNumber(out, p.minute, count);
    case 's':
        return AppendNumber(out, p.second, count);
    default: // 't'
        return AppendAscii(out, std::string_view(p.hour < 12 ? "AM" : "PM", count));
    }
}

// Copies the quoted text that starts after the opening quote at `open`;
// returns the position after the closing quote (the end when there is none).
template <typename Char>
size_t CopyQuoted(std::basic_string_view<Char> picture, size_t open, std::basic_string<Char>& out) {
    size_t i = open + 1;
    while (i < picture.size()) {
        if (picture[i] != Char('\'')) {
            out += picture[i++];
        } else if (i + 1 < picture.size() && picture[i + 1] == Char('\'')) {
            out += Char('\'');
            i += 2;
        } else {
            return i + 1;
        }
    }
    return i;
}

template <typename Char>
bool IsFieldLetter(Char c, std::string_view letters) {
    for (const char letter : letters) {
        if (c == static_cast<Char>(letter)) {
            return true;
        }
    }
    return false;
}

// Where the run of c that starts at i ends.
template <typename Char>
size_t RunEnd(std::basic_string_view<Char> picture, size_t i, Char c) {
    while (i < picture.size() && picture[i] == c) {
        ++i;
    }
    return i;
}

// Walks the picture, appending to out: runs of a letter in `letters` become
// fields, quoted text and every other character are copied.
template <typename Char, typename AppendField>
void Render(std::basic_string<Char>& out, std::basic_string_view<Char> picture,
            std::string_view letters, const Parts& parts, AppendField appendField) {
    size_t i = 0;
    while (i < picture.size()) {
        const Char c = picture[i];
        if (c == Char('\'') && i + 1 < picture.size() && picture[i + 1] == Char('\'')) {
            out += c;
            i += 2;
        } else if (c == Char('\'')) {
            i = CopyQuoted(picture, i, out);
        } else if (IsFieldLetter(c, letters)) {
            const size_t end = RunEnd(picture, i, c);
            appendField(out, c, static_cast<int>(end - i), parts);
            i = end;
        } else {
            out += picture[i++];
        }
    }
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// 0 for Sunday to 6 for Saturday, in the Gregorian calendar (Sakamoto's rule).
int DayOfWeek(int y, int m, int d) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    y -= m < 3 ? 1 : 0;
    return (y + y / 4 - y / 100 + y / 400 + offsets[m - 1] + d) % 7;
}

// The dates an OLE date can hold: years 100 to 9999.
std::optional<Parts> DateParts(const SYSTEMTIME& st) {
    const int y = st.wYear, m = st.wMonth, d = st.wDay;
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
        return std::nullopt;
    }
    return Parts{y, m, d, DayOfWeek(y, m, d), 0, 0, 0};
}

std::optional<Parts> TimeParts(const SYSTEMTIME& st) {
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999) {
        return std::nullopt;
    }
    return Parts{0, 0, 0, 0, st.wHour, st.wMinute, st.wSecond};
}

template <typename Char>
bool AppendDate(std::basic_string<Char>& out, const SYSTEMTIME& st,
                std::basic_string_view<Char> picture) {
    std::optional<Parts> parts = DateParts(st);
    if (!parts) {
        return false;
    }
    // A lambda rather than a function pointer, so that the field is appended
    // without an indirect call.
    Render(out, picture, "dMyg", *parts,
           [](std::basic_string<Char>& text, Char letter, int count, const Parts& p) {
               AppendDateField(text, letter, count, p);
           });
    return true;
}

template <typename Char>
std::optional<std::basic_string<Char>> FormatDate(const SYSTEMTIME& st,
                                                  std::basic_string_view<Char> picture) {
    std::basic_string<Char> out;
    if (!AppendDate(out, st, picture)) {
        return std::nullopt;
    }
    return out;
}

template <typename Char>
std::optional<std::basic_string<Char>> FormatTime(const SYSTEMTIME& st,
                                                  std::basic_string_view<Char> picture) {
    std::optional<Parts> parts = TimeParts(st);
    if (!parts) {
        return std::nullopt;
    }
    std::basic_string<Char> out;
    Render(out, picture, "hHmst", *parts,
           [](std::basic_string<Char>& text, Char letter, int count, const Parts& p) {
               AppendTimeField(text, letter, count, p);
           });
    return out;
}

} // namespace

std::optional<std::string> FormatDateWithPicture(const SYSTEMTIME& st, std::string_view picture) {
    return FormatDate(st, picture);
}

std::optional<std::string> FormatTimeWithPicture(const SYSTEMTIME& st, std::string_view picture) {
    return FormatTime(st, picture);
}

bool AppendDateWithPicture(std::string& out, const SYSTEMTIME& st, std::string_view picture) {
    return AppendDate(out, st, picture);
}

std::optional<std::u16string> FormatDateWithPicture(const SYSTEMTIME& st,
                                                    std::u16string_view picture) {
    return FormatDate(st, picture);
}

std::optional<std::u16string> FormatTimeWithPicture(const SYSTEMTIME& st,
                                                    std::u16string_view picture) {
    return FormatTime(st, picture);
}

std::optional<std::string> FormatDateWithPicture(DATE date, std::string_view picture) {
    SYSTEMTIME st;
    if (VariantTimeToSystemTime(date, &st) != TRUE) {
        return std::nullopt;
    }
    return FormatDateWithPicture(st, picture);
}

std::optional<std::string> FormatTimeWithPicture(DATE date, std::string_view picture) {
    SYSTEMTIME st;
    if (VariantTimeToSystemTime(date, &st) != TRUE) {
        return std::nullopt;
    }
    return FormatTimeWithPicture(st, picture);
}
