#pragma once
// ItemWalk: a folder's items in creation order as Items(1..Count) hands them
// out, read a window of items at a time (each window in a few queries, every
// part of its items loaded), so that a walk over a large folder neither
// queries the store per item nor holds anything per item.
//
// The walk is fixed when it begins: items added later are left out, and
// Count stays. An item deleted before the walk reaches it is missing from
// its position on: the walk hands out the items that are still there, each
// once and in order, and the positions at the end find nothing.

#include "platform/outlook/calendar_store.h"

#include <optional>
#include <vector>

class ItemWalk {
public:
    // The walk holds the store's page cache small while it lives (see
    // CalendarStore::HoldSmallCache).
    ItemWalk(CalendarStore& store, std::int64_t folderId);
    ~ItemWalk();
    ItemWalk(const ItemWalk&) = delete;
    ItemWalk& operator=(const ItemWalk&) = delete;

    size_t Count() const { return count_; }
    // The item at a 0-based position: the one after the item handed out
    // last when the positions follow each other, else the one at that
    // position now. Nothing when there is none.
    std::optional<AppointmentRecord> Take(size_t position);

private:
    bool InWindow(size_t position) const;
    void ReadWindowAt(size_t position);

    CalendarStore& store_;
    std::int64_t folderId_;
    std::int64_t lastId_;
    size_t count_;
    // Window: its first position, its items (moved out as they are handed
    // out) and the store's change count when it was read.
    size_t first_ = 0;
    std::vector<AppointmentRecord> window_;
    std::vector<bool> taken_;
    std::uint64_t readAt_ = 0;
    // The last item handed out, by position and id.
    std::optional<size_t> lastPosition_;
    std::int64_t lastTakenId_ = 0;
};
