#include "engine/import/recurrence_rule.h"

int32_t WeekdayBit(std::string_view code) {
    static constexpr std::string_view kCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    for (int day = 0; day < 7; ++day) {
        if (code == kCodes[day]) {
            return 1 << day;
        }
    }
    return 0;
}
