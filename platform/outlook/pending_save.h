#pragma once
// The last save of a series inside a save batch, held back until something
// needs it written: the saves that follow a new series' first one (its
// changed occurrences, its zone, its UID, its last save) join it, so that
// the series is written once, as it ends up, instead of being inserted and
// then updated again and again with every index over its times rewritten.
//
// The held save is a copy of the record as saved (the item object goes on
// changing its own), made into memory that is reused from save to save.

#include "platform/outlook/appointment_record.h"

#include <cstdint>

class PendingSave {
public:
    bool Active() const { return active_; }
    bool Holds(std::int64_t id) const { return active_ && record_.id == id; }
    const AppointmentRecord& Record() const { return record_; }
    const ItemChanges& Changes() const { return changes_; }
    bool IsNew() const { return isNew_; }

    // Holds a copy of the save (of an item whose id is given).
    void Take(const AppointmentRecord& record, const ItemChanges& changes, bool isNew);
    // Adds a later save of the held item: the item as it is now, with the
    // changes of both. The stored row stays the first save's: it is what
    // the store holds before either is written.
    void Merge(const AppointmentRecord& record, const ItemChanges& changes);
    // Gives up the held save (written or lost); its memory is kept.
    void Clear() { active_ = false; }
    // The held record, for writing it (the write may complete it, e.g. with
    // the stored properties).
    AppointmentRecord& RecordToWrite() { return record_; }

private:
    bool active_ = false;
    bool isNew_ = false;
    AppointmentRecord record_;
    ItemChanges changes_;
    AppointmentRow storedRow_;
};
