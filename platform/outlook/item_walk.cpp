#include "platform/outlook/item_walk.h"

namespace {

// Items per window: enough to make the queries per item negligible, few
// enough that a window of long texts stays small.
constexpr size_t kWindowSize = 64;

} // namespace

ItemWalk::ItemWalk(CalendarStore& store, std::int64_t folderId)
    : store_(store), folderId_(folderId), lastId_(store.LastItemId()),
      count_(static_cast<size_t>(store.CountItemsUpTo(folderId, lastId_))) {
    store_.HoldSmallCache();
}

ItemWalk::~ItemWalk() {
    store_.ReleaseSmallCache();
}

bool ItemWalk::InWindow(size_t position) const {
    return readAt_ == store_.ChangeCount() && position >= first_ &&
           position - first_ < window_.size() && !taken_[position - first_];
}

// The window's vector keeps its room from window to window: a new one
// would be a large allocation for every window.
void ItemWalk::ReadWindowAt(size_t position) {
    const bool next = lastPosition_ ? position == *lastPosition_ + 1 : position == 0;
    try {
        if (next) {
            store_.LoadItemsAfter(folderId_, lastTakenId_, lastId_, kWindowSize, window_);
        } else {
            store_.LoadItemsFrom(folderId_, lastId_, position, kWindowSize, window_);
        }
    } catch (...) {
        // Part of a window must not pass for the window read before.
        window_.clear();
        taken_.clear();
        throw;
    }
    taken_.assign(window_.size(), false);
    first_ = position;
    readAt_ = store_.ChangeCount();
}

std::optional<AppointmentRecord> ItemWalk::Take(size_t position) {
    if (!InWindow(position)) {
        ReadWindowAt(position);
        if (window_.empty()) {
            return std::nullopt;
        }
    }
    const size_t at = position - first_;
    taken_[at] = true;
    lastPosition_ = position;
    lastTakenId_ = window_[at].id;
    return std::move(window_[at]);
}
