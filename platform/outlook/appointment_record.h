#pragma once
// One appointment as the calendar store keeps it: the fields in UTC, the
// recurrence pattern, the MAPI properties without a field of their own, the
// recipients and the changed occurrences of a series.

#include "platform/outlook/recurrence_rule.h"
#include "platform/outlook/store_time.h"
#include "platform/win32/types.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A MAPI property value; type is the property type (PT_LONG, PT_STRING8,
// PT_UNICODE, PT_BINARY, PT_SYSTIME, PT_BOOLEAN). Numbers, booleans and
// date-times (UTC seconds) use number.
struct PropValue {
    LONG type = 0;
    std::int64_t number = 0;
    std::u16string text;
    std::vector<BYTE> bytes;

    bool operator==(const PropValue&) const = default;
};

struct RecipientRecord {
    std::u16string name;
    std::u16string address;
    LONG type = 1;
};

// A changed occurrence of a series. The original day and the new times are
// wall-clock readings of the series' zone, so that the series and its
// exceptions move together when the series' zone changes.
struct ExceptionRecord {
    int originalDay = 0;
    bool deleted = false;
    StoreSeconds startLocal = 0;
    StoreSeconds endLocal = 0;
    std::optional<std::u16string> subject;
    std::optional<std::u16string> location;
    std::optional<std::u16string> body;
};

// The pattern's range is kept as UTC instants of its first and last days'
// midnight in the series' zone (what the pattern date properties hold).
struct PatternRecord {
    RecurrenceRule rule;
    StoreSeconds startUtc = 0;
    std::optional<StoreSeconds> endUtc;
};

// An appointment's fields: one row of the store's items table.
struct AppointmentRow {
    std::int64_t id = 0; // 0 until first saved
    std::int64_t folderId = 0;
    std::u16string subject, location, body, categories, resources;
    StoreSeconds startUtc = 0;
    StoreSeconds endUtc = 0;
    bool allDayEvent = false;
    LONG sensitivity = 0;
    LONG importance = 1;
    LONG busyStatus = 2;
    bool reminderSet = false;
    LONG reminderMinutesBeforeStart = 15;
    LONG meetingStatus = 0;
    std::optional<PatternRecord> pattern;
};

// An appointment: its row and its parts.
struct AppointmentRecord : AppointmentRow {
    // Loaded on first use (see CalendarStore); keyed by property id (the
    // high word of the tag).
    std::optional<std::map<LONG, PropValue>> props;
    std::optional<std::vector<RecipientRecord>> recipients;
    std::optional<std::vector<ExceptionRecord>> exceptions;
};

// The parts of a stored appointment that changed since it was read or last
// saved: what a save has to write. A new appointment is written whole.
struct ItemChanges {
    // The fields and the recurrence pattern (one row of the store).
    bool fields = false;
    bool recipients = false;
    bool exceptions = false;
    // Every property, or the properties by id, ascending and each once
    // (written when the record has them, removed when it does not).
    bool allProps = false;
    std::vector<LONG> props;
    // The item's row as it is stored, when the saver knows that the stored
    // item is the record as last saved: then only the fields that differ
    // from it are written, and changed properties are written with the
    // record's others instead of onto what is stored.
    const AppointmentRow* storedRow = nullptr;

    static ItemChanges Whole() { return {true, true, true, true, {}, nullptr}; }
    bool Any() const { return fields || recipients || exceptions || allProps || !props.empty(); }
    void AddProp(LONG propId) {
        auto at = std::lower_bound(props.begin(), props.end(), propId);
        if (at == props.end() || *at != propId) {
            if (props.capacity() == 0) {
                props.reserve(8);
                at = props.begin();
            }
            props.insert(at, propId);
        }
    }
    // No changes; the list keeps its room for the next ones.
    void Clear() {
        fields = recipients = exceptions = allProps = false;
        props.clear();
        storedRow = nullptr;
    }
};
