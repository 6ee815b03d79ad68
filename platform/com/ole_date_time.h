#pragma once
// OLE automation dates: days since 30 December 1899 as a double, the time of
// day in the fraction. COleDateTime adds a validity status; COleDateTimeSpan
// is a difference of two dates in days.
//
// Example: 2.25 is 1 January 1900 06:00; -1.25 is 29 December 1899 06:00
// (before the epoch the whole days count backwards, the fraction forwards).

#include "platform/win32/types.h"

#include <string>

using DATE = double;

// SystemTimeToVariantTime / VariantTimeToSystemTime: FALSE for a value out
// of the range 1 January 100 .. 31 December 9999. Times round to the second.
BOOL SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* out);
BOOL VariantTimeToSystemTime(DATE date, SYSTEMTIME* out);

class COleDateTimeSpan {
public:
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTimeSpan() = default;
    explicit COleDateTimeSpan(double days) : m_span(days) {}
    COleDateTimeSpan(long days, int hours, int minutes, int seconds);

    DateTimeSpanStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    void SetDateTimeSpan(long days, int hours, int minutes, int seconds);

    // Parts of the span after rounding to the second; negative spans give
    // negative parts.
    long GetDays() const;
    long GetHours() const;
    long GetMinutes() const;
    long GetSeconds() const;
    double GetTotalDays() const { return m_span; }
    double GetTotalHours() const { return m_span * 24; }
    double GetTotalMinutes() const { return m_span * 24 * 60; }
    double GetTotalSeconds() const { return m_span * 24 * 60 * 60; }

    COleDateTimeSpan operator-() const;
    COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
    bool operator==(const COleDateTimeSpan& other) const;
    bool operator<(const COleDateTimeSpan& other) const { return m_span < other.m_span; }
    bool operator>(const COleDateTimeSpan& other) const { return m_span > other.m_span; }
    bool operator<=(const COleDateTimeSpan& other) const { return m_span <= other.m_span; }
    bool operator>=(const COleDateTimeSpan& other) const { return m_span >= other.m_span; }

    double m_span = 0;
    DateTimeSpanStatus m_status = valid;
};

// Whether a DATE lies in the range COleDateTime splits into fields: 1 January
// 100 to 31 December 9999.
bool IsOleDateInRange(DATE date);

class COleDateTime {
public:
    enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    COleDateTime(DATE date) : m_dt(date) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second);
    explicit COleDateTime(const SYSTEMTIME& st);

    static COleDateTime Invalid();

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }

    // 0 when the fields form a valid date-time (the value is set), 1 when not
    // (the status becomes invalid).
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

    bool GetAsSystemTime(SYSTEMTIME& st) const;
    // Field accessors return -1 when the date is not valid. GetDayOfWeek is
    // 1 for Sunday .. 7 for Saturday.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    int GetDayOfYear() const;

    // strftime-style formatting of the date's fields (%Y %m %d %H %M %S %y %j
    // %a %A %b %B %p %%); "Invalid DateTime" for a date that is not valid.
    std::string Format(const char* format) const;

    operator DATE() const { return m_dt; }

    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    COleDateTime& operator+=(const COleDateTimeSpan& span);
    COleDateTime& operator-=(const COleDateTimeSpan& span);
    // The difference; invalid when either date is invalid.
    COleDateTimeSpan operator-(const COleDateTime& other) const;

    bool operator==(const COleDateTime& other) const;
    bool operator!=(const COleDateTime& other) const { return !(*this == other); }
    bool operator<(const COleDateTime& other) const;
    bool operator>(const COleDateTime& other) const { return other < *this; }
    bool operator<=(const COleDateTime& other) const { return !(other < *this); }
    bool operator>=(const COleDateTime& other) const { return !(*this < other); }

    DATE m_dt = 0;
    DateTimeStatus m_status = valid;
};

// Linear form of an OLE date (the fraction always forward in time), in which
// differences and sums are plain arithmetic; and back.
double OleDateToLinear(DATE date);
DATE LinearToOleDate(double linear);
