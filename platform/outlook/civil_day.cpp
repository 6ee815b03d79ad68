#include "platform/outlook/civil_day.h"

namespace {

// Days from 1 March of year 0 of the proleptic Gregorian calendar to
// 30 December 1899: the offset between that count and OLE day numbers.
constexpr int kOleEpochFromMarchZero = 693899;

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

int DayNumber(int year, int month, int day) {
    // Count years from March so that the leap day ends the year.
    const int y = month <= 2 ? year - 1 : year;
    const int era = FloorDiv(y, 400);
    const int yearOfEra = y - era * 400;
    const int monthFromMarch = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - kOleEpochFromMarchZero;
}

CivilDate CivilFromDayNumber(int day) {
    const int z = day + kOleEpochFromMarchZero;
    const int era = FloorDiv(z, 146097);
    const int dayOfEra = z - era * 146097;
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int dayOfMonth = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const int month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const int year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, dayOfMonth};
}

int Weekday(int day) {
    // Day 0 is a Saturday.
    const int w = (day + 6) % 7;
    return w < 0 ? w + 7 : w;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
