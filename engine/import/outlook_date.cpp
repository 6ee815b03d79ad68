#include "engine/import/outlook_date.h"

#include "platform/com/date_format.h"
#include "platform/win32/locale.h"

namespace {

std::string LocalePicture(LCTYPE type, const char* fallback) {
    char buffer[128];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) == 0) {
        return fallback;
    }
    return buffer;
}

// The user's short date picture, in the caller's buffer.
std::string_view ShortDatePicture(char (&buffer)[128]) {
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer) == 0) {
        return "M/d/yyyy";
    }
    return buffer;
}

void AppendTwoDigits(std::string& text, int value) {
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

// " hh:mm AM": the 12-hour clock with leading zeros, whatever the locale.
void AppendClockTime(std::string& text, const SYSTEMTIME& st) {
    text += ' ';
    AppendTwoDigits(text, st.wHour % 12 == 0 ? 12 : st.wHour % 12);
    text += ':';
    AppendTwoDigits(text, st.wMinute);
    text += st.wHour < 12 ? " AM" : " PM";
}

} // namespace

void AppendOutlookDate(std::string& text, const COleDateTime& value) {
    SYSTEMTIME st{};
    if (VariantTimeToSystemTime(value, &st) != TRUE) {
        text += ' ';
        return;
    }
    // Rounded to the minute; the few values with seconds are converted again.
    const int seconds = value.GetStatus() == COleDateTime::valid ? st.wSecond : 0;
    if (seconds > 0) {
        const COleDateTime rounded = seconds < 30 ? value - COleDateTimeSpan(0, 0, 0, seconds)
                                                  : value + COleDateTimeSpan(0, 0, 0, 60 - seconds);
        if (VariantTimeToSystemTime(rounded, &st) != TRUE) {
            text += ' ';
            return;
        }
    }
    char picture[128];
    AppendDateWithPicture(text, st, ShortDatePicture(picture));
    AppendClockTime(text, st);
}

std::string FormatOutlookDate(const COleDateTime& value) {
    std::string text;
    AppendOutlookDate(text, value);
    return text;
}

std::string UserDateText(const COleDateTime& value) {
    return FormatDateWithPicture(value, LocalePicture(LOCALE_SSHORTDATE, "M/d/yyyy")).value_or("");
}

std::string UserDateTimeText(const COleDateTime& value) {
    // Both parts from one conversion of the value.
    SYSTEMTIME st{};
    if (VariantTimeToSystemTime(value, &st) != TRUE) {
        return " ";
    }
    std::string text =
        FormatDateWithPicture(st, LocalePicture(LOCALE_SSHORTDATE, "M/d/yyyy")).value_or("");
    text += ' ';
    text += FormatTimeWithPicture(st, LocalePicture(LOCALE_STIMEFORMAT, "h:mm:ss tt")).value_or("");
    return text;
}
