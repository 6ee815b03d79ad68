#pragma once
// What a search for appointments by their subject needs to know to find
// nothing without asking the store's file: whether any stored item may have
// that folder, subject (without regard to ASCII case) and a start at or
// within given bounds; which series with that folder and subject may reach
// into a window of starts (by the range of their pattern or a changed
// occurrence); and whether a changed occurrence (of any folder) may carry
// that subject. The
// keys are hashes of the folder and subject, so that an answer of "may"
// still needs the search; keys of items that changed or went away stay
// until the set is dropped.
// Before an import into a fresh store each event's conflict search asks,
// and so does the search for a new series' occurrences (for the single
// items, the other series and the changed occurrences with the series'
// subject); nearly every answer is "no".

#include "platform/outlook/appointment_record.h"
#include "platform/outlook/store_time.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ItemKeys {
public:
    bool Built() const { return built_; }
    // Starts the set afresh with nothing in it; Add the stored items next.
    void Build();
    void Drop();
    // A stored item, by its parts.
    void Add(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc);
    // What the keys know of a series: its id, the range of its pattern and
    // the span of its changed occurrences' starts (local seconds; from >
    // to: none), each as wide as every state of the series seen.
    struct SeriesSpan {
        std::int64_t id = 0;
        StoreSeconds patternFrom = 0;
        StoreSeconds patternTo = 0;
        StoreSeconds changedFrom = 0;
        StoreSeconds changedTo = 0;
    };
    void AddSeries(std::int64_t folderId, const std::u16string& subject, const SeriesSpan& span);
    void AddOccurrenceSubject(const std::u16string& subject);
    // A saved item (with its id): its start, whether it is a series, and the
    // subjects of its changed occurrences when they are loaded.
    void Add(const AppointmentRecord& record);

    // Whether an item may start within [fromUtc, toUtc] (both included).
    bool MayHold(std::int64_t folderId, const std::u16string& subject, StoreSeconds fromUtc,
                 StoreSeconds toUtc) const;
    bool MayHold(std::int64_t folderId, const std::u16string& subject,
                 StoreSeconds startUtc) const {
        return MayHold(folderId, subject, startUtc, startUtc);
    }
    // Whether a series other than the one with id exceptId may have the
    // folder and subject, and a pattern whose range meets [fromUtc, toUtc]
    // or a changed occurrence starting within it.
    bool MayHoldSeries(std::int64_t folderId, const std::u16string& subject, std::int64_t exceptId,
                       StoreSeconds fromUtc, StoreSeconds toUtc) const;
    bool MayHoldOccurrenceSubject(const std::u16string& subject) const;

private:
    static std::uint64_t Key(std::int64_t folderId, const std::u16string& subject);
    void AddStart(std::uint64_t key, StoreSeconds startUtc);
    void AddSpan(std::uint64_t key, const SeriesSpan& span);
    bool IsLastAdded(const AppointmentRecord& record) const;
    void RememberLast(const AppointmentRecord& record);

    bool built_ = false;
    // The starts under each key, ascending and each once.
    std::unordered_map<std::uint64_t, std::vector<StoreSeconds>> starts_;
    // The series under each key, one span per id.
    std::unordered_map<std::uint64_t, std::vector<SeriesSpan>> series_;
    // The keys of the changed occurrences' subjects (folder 0).
    std::unordered_set<std::uint64_t> occurrenceSubjects_;
    // The item added last, with its key, while the set holds it: the saves
    // of a series come one after another with the same subject and start,
    // and add no start after the first.
    bool hasLast_ = false;
    std::int64_t lastId_ = 0;
    std::int64_t lastFolderId_ = 0;
    StoreSeconds lastStart_ = 0;
    std::u16string lastSubject_;
    std::uint64_t lastKey_ = 0;
};
