#include "engine/import/transition_date.h"

SYSTEMTIME TransitionDateOf(const COleDateTime& date) {
    SYSTEMTIME transition{};
    transition.wMonth = static_cast<WORD>(date.GetMonth());
    transition.wDayOfWeek = static_cast<WORD>(date.GetDayOfWeek() - 1);
    transition.wDay = static_cast<WORD>((date.GetDay() - 1) / 7 + 1);
    transition.wHour = static_cast<WORD>(date.GetHour());
    transition.wMinute = static_cast<WORD>(date.GetMinute());
    transition.wSecond = static_cast<WORD>(date.GetSecond());
    COleDateTime weekLater = date + COleDateTimeSpan(7.0);
    if (weekLater.GetMonth() != date.GetMonth()) {
        transition.wDay = 5;
    }
    return transition;
}
