#include "platform/outlook/item_keys.h"

#include "platform/outlook/ascii_case.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// FNV-1a over 64 bits, a unit at a time.
constexpr std::uint64_t kOffset = 14695981039346656037ull;
constexpr std::uint64_t kPrime = 1099511628211ull;

using Limits = std::numeric_limits<StoreSeconds>;

std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
    return (hash ^ value) * kPrime;
}

// A series as saved: its pattern's range (open at the end when it has no
// end) and its changed occurrences (unknown, so any, when not loaded).
ItemKeys::SeriesSpan SpanOf(const AppointmentRecord& record) {
    const PatternRecord& pattern = *record.pattern;
    ItemKeys::SeriesSpan span{record.id, pattern.startUtc,
                              pattern.rule.noEndDate || !pattern.endUtc ? Limits::max()
                                                                        : *pattern.endUtc,
                              Limits::max(), Limits::min()};
    if (!record.exceptions) {
        span.changedFrom = Limits::min();
        span.changedTo = Limits::max();
        return span;
    }
    for (const ExceptionRecord& exception : *record.exceptions) {
        if (!exception.deleted) {
            span.changedFrom = std::min(span.changedFrom, exception.startLocal);
            span.changedTo = std::max(span.changedTo, exception.startLocal);
        }
    }
    return span;
}

void Widen(ItemKeys::SeriesSpan& span, const ItemKeys::SeriesSpan& other) {
    span.patternFrom = std::min(span.patternFrom, other.patternFrom);
    span.patternTo = std::max(span.patternTo, other.patternTo);
    span.changedFrom = std::min(span.changedFrom, other.changedFrom);
    span.changedTo = std::max(span.changedTo, other.changedTo);
}

bool Meets(const ItemKeys::SeriesSpan& span, StoreSeconds from, StoreSeconds to) {
    return (span.patternFrom <= to && span.patternTo >= from) ||
           (span.changedFrom <= to && span.changedTo >= from);
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
    if (built_) {
        AddStart(Key(folderId, subject), startUtc);
    }
}

void ItemKeys::AddStart(std::uint64_t key, StoreSeconds startUtc) {
    std::vector<StoreSeconds>& starts = starts_[key];
    const auto at = std::lower_bound(starts.begin(), starts.end(), startUtc);
    if (at == starts.end() || *at != startUtc) {
        starts.insert(at, startUtc);
    }
}

void ItemKeys::AddSeries(std::int64_t folderId, const std::u16string& subject,
                         const SeriesSpan& span) {
    if (built_) {
        AddSpan(Key(folderId, subject), span);
    }
}

void ItemKeys::AddSpan(std::uint64_t key, const SeriesSpan& span) {
    std::vector<SeriesSpan>& spans = series_[key];
    const auto same = std::find_if(spans.begin(), spans.end(),
                                   [&](const SeriesSpan& s) { return s.id == span.id; });
    if (same == spans.end()) {
        spans.push_back(span);
    } else {
        Widen(*same, span);
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
        RememberLast(record);
        AddStart(lastKey_, record.startUtc);
    }
    // Each save of a series may change its pattern or its changed occurrences.
    if (record.pattern) {
        AddSpan(lastKey_, SpanOf(record));
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
                             std::int64_t exceptId, StoreSeconds fromUtc,
                             StoreSeconds toUtc) const {
    if (!built_) {
        return true;
    }
    const auto found = series_.find(Key(folderId, subject));
    if (found == series_.end()) {
        return false;
    }
    // A series without its id (none should come) stands for any.
    return std::any_of(found->second.begin(), found->second.end(), [&](const SeriesSpan& span) {
        return span.id == 0 || (span.id != exceptId && Meets(span, fromUtc, toUtc));
    });
}

bool ItemKeys::MayHoldOccurrenceSubject(const std::u16string& subject) const {
    return !built_ || occurrenceSubjects_.count(Key(0, subject)) != 0;
}

bool ItemKeys::IsLastAdded(const AppointmentRecord& record) const {
    return hasLast_ && record.id == lastId_ && record.startUtc == lastStart_ &&
           record.folderId == lastFolderId_ && record.subject.size() == lastSubject_.size() &&
           std::memcmp(record.subject.data(), lastSubject_.data(),
                       record.subject.size() * sizeof(char16_t)) == 0;
}

void ItemKeys::RememberLast(const AppointmentRecord& record) {
    hasLast_ = true;
    lastId_ = record.id;
    lastFolderId_ = record.folderId;
    lastStart_ = record.startUtc;
    lastSubject_ = record.subject;
    lastKey_ = Key(record.folderId, record.subject);
}

// The subject as the store compares it: ASCII letters folded to lower case.
std::uint64_t ItemKeys::Key(std::int64_t folderId, const std::u16string& subject) {
    std::uint64_t hash = Mix(kOffset, static_cast<std::uint64_t>(folderId));
    for (char16_t c : subject) {
        hash = Mix(hash, FoldAsciiCase(c));
    }
    return hash;
}
