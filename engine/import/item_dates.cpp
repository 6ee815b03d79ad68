#include "engine/import/item_dates.h"

bool ItemDates::Local(const EventDate& date, Conversion& kept, COleDateTime& out) {
    if (kept.known) {
        out = kept.value;
        return kept.converted;
    }
    const bool converted = parser_.ToDate(date.Date, date.Tzid, out, kToDateLocal, "");
    // A zone the parser does not hold is logged whenever it is looked up.
    if (date.Tzid.empty() || parser_.TimeZones.contains(date.Tzid)) {
        kept = {true, converted, out};
    }
    return converted;
}
