#include "engine/import/date_values.h"

#include <climits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

// Minutes per unit letter; 0 for a letter that is not a unit. Seconds are
// marked -1 because they divide.
int UnitMinutes(char unit) {
    switch (unit) {
    case 'W':
    case 'w':
        return 10080;
    case 'D':
    case 'd':
        return 1440;
    case 'H':
    case 'h':
        return 60;
    case 'M':
    case 'm':
        return 1;
    case 'S':
    case 's':
        return -1;
    default:
        return 0;
    }
}

} // namespace

bool IsValidDateText(std::string_view text) {
    if (text.size() == 8) {
        return AllDigits(text);
    }
    if (text.size() != 15 && text.size() != 16) {
        return false;
    }
    if (text[8] != 'T' && text[8] != 't') {
        return false;
    }
    if (text.size() == 16 && text[15] != 'Z' && text[15] != 'z') {
        return false;
    }
    return AllDigits(text.substr(0, 8)) && AllDigits(text.substr(9, 6));
}

bool IsUtcDateText(std::string_view text) {
    return text.size() > 15 && (text[15] == 'Z' || text[15] == 'z');
}

bool ParseDuration(std::string_view text, int& minutes) {
    size_t i = 0;
    long long sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        sign = text[i] == '-' ? -1 : 1;
        ++i;
    }
    if (i >= text.size() || (text[i] != 'P' && text[i] != 'p')) {
        return false;
    }
    long long total = 0;
    for (++i; i < text.size();) {
        if (text[i] == 'T' || text[i] == 't') {
            ++i;
            continue;
        }
        size_t digitsStart = i;
        long long number = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            number = number * 10 + (text[i] - '0');
            if (number > INT_MAX) {
                return false;
            }
        }
        if (i == digitsStart || i >= text.size() || UnitMinutes(text[i]) == 0) {
            return false;
        }
        int unit = UnitMinutes(text[i++]);
        total += unit < 0 ? number / 60 : number * unit;
        if (total > INT_MAX) {
            return false;
        }
    }
    minutes = static_cast<int>(sign * total);
    return true;
}

bool ParsePeriodText(std::string_view text, PeriodText& period) {
    size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    std::string_view start = text.substr(0, slash);
    std::string_view second = text.substr(slash + 1);
    if (!IsValidDateText(start) || second.empty() || second.front() == '-') {
        return false;
    }
    bool isDuration = second.front() == '+' || second.front() == 'P' || second.front() == 'p';
    int minutes = 0;
    if (isDuration ? !ParseDuration(second, minutes) : !IsValidDateText(second)) {
        return false;
    }
    period.Start = std::string(start);
    period.End = isDuration ? std::string() : std::string(second);
    period.Duration = isDuration ? std::string(second) : std::string();
    return true;
}
