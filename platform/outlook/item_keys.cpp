#include "platform/outlook/item_keys.h"

#include "platform/outlook/ascii_case.h"

#include <algorithm>
#include <cstring>

namespace {

// FNV-1a over 64 bits, a unit at a time.
constexpr std::uint64_t kOffset = 14695981039346656037ull;
constexpr std::uint64_t kPrime = 1099511628211ull;

// Under a key with more than one series.
constexpr std::int64_t kManySeries = -1;

std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
    return (hash ^ value) * kPrime;
}

} // namespace

void ItemKeys::Build() {
    starts_.clear();
    series_.clear();
    occurrenceSubjects_.clear();
    hasLast_ = false;
    built_ = true;
}

void ItemKeys::Drop() {
    starts_ = {};
    series_ = {};
    occurrenceSubjects_ = {};
    hasLast_ = false;
    built_ = false;
}

void ItemKeys::Add(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc) {
    if (!built_) {
        return;
    }
    std::vector<StoreSeconds>& starts = starts_[Key(folderId, subject)];
    const auto at = std::lower_bound(starts.begin(), starts.end(), startUtc);
    if (at == starts.end() || *at != startUtc) {
        starts.insert(at, startUtc);
    }
}

void ItemKeys::AddSeries(std::int64_t folderId, const std::u16string& subject, std::int64_t id) {
    if (!built_) {
        return;
    }
    // A series without its id yet (none should come) stands for any.
    const std::int64_t known = id != 0 ? id : kManySeries;
    const auto [entry, added] = series_.try_emplace(Key(folderId, subject), known);
    if (!added && entry->second != known) {
        entry->second = kManySeries;
    }
}

void ItemKeys::AddOccurrenceSubject(const std::u16string& subject) {
    if (built_) {
        occurrenceSubjects_.insert(Key(0, subject));
    }
}

void ItemKeys::Add(const AppointmentRecord& record) {
    if (!built_) {
        return;
    }
    if (!IsLastAdded(record)) {
        Add(record.folderId, record.subject, record.startUtc);
        if (record.pattern) {
            AddSeries(record.folderId, record.subject, record.id);
        }
        RememberLast(record);
    }
    if (!record.exceptions) {
        return;
    }
    for (const ExceptionRecord& exception : *record.exceptions) {
        if (exception.subject) {
            AddOccurrenceSubject(*exception.subject);
        }
    }
}

bool ItemKeys::MayHold(std::int64_t folderId, const std::u16string& subject, StoreSeconds fromUtc,
                       StoreSeconds toUtc) const {
    if (!built_) {
        return true;
    }
    const auto found = starts_.find(Key(folderId, subject));
    if (found == starts_.end()) {
        return false;
    }
    const std::vector<StoreSeconds>& starts = found->second;
    const auto first = std::lower_bound(starts.begin(), starts.end(), fromUtc);
    return first != starts.end() && *first <= toUtc;
}

bool ItemKeys::MayHoldSeries(std::int64_t folderId, const std::u16string& subject,
                             std::int64_t exceptId) const {
    if (!built_) {
        return true;
    }
    const auto found = series_.find(Key(folderId, subject));
    return found != series_.end() && found->second != exceptId;
}

bool ItemKeys::MayHoldOccurrenceSubject(const std::u16string& subject) const {
    return !built_ || occurrenceSubjects_.count(Key(0, subject)) != 0;
}

bool ItemKeys::IsLastAdded(const AppointmentRecord& record) const {
    return hasLast_ && record.id == lastId_ && record.startUtc == lastStart_ &&
           record.folderId == lastFolderId_ && record.pattern.has_value() == lastSeries_ &&
           record.subject.size() == lastSubject_.size() &&
           std::memcmp(record.subject.data(), lastSubject_.data(),
                       record.subject.size() * sizeof(char16_t)) == 0;
}

void ItemKeys::RememberLast(const AppointmentRecord& record) {
    hasLast_ = true;
    lastId_ = record.id;
    lastFolderId_ = record.folderId;
    lastStart_ = record.startUtc;
    lastSeries_ = record.pattern.has_value();
    lastSubject_ = record.subject;
}

// The subject as the store compares it: ASCII letters folded to lower case.
std::uint64_t ItemKeys::Key(std::int64_t folderId, const std::u16string& subject) {
    std::uint64_t hash = Mix(kOffset, static_cast<std::uint64_t>(folderId));
    for (char16_t c : subject) {
        hash = Mix(hash, FoldAsciiCase(c));
    }
    return hash;
}
