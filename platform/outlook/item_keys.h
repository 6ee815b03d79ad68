#pragma once
// What a search for appointments by their subject and start needs to know
// to find nothing without asking the store's file: whether any stored item
// may have that folder, subject (without regard to ASCII case) and a start
// at or within given bounds. The starts are kept per hash of the folder and
// subject, so that an answer of "may" still needs the search; starts of
// items that changed or went away stay until the set is dropped.
// Before an import into a fresh store each event's conflict search asks,
// and so does the search for a new series' occurrences (for the single
// items with the series' subject around them); nearly every answer is "no".
//
// The same for the subjects of changed occurrences (of any folder), which
// that search looks for too: whether any may carry a subject.

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
    void Add(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc);
    void AddOccurrenceSubject(const std::u16string& subject);
    // The item with the subjects of its changed occurrences, when they are loaded.
    void Add(const AppointmentRecord& record);
    bool MayHoldOccurrenceSubject(const std::u16string& subject) const;
    // Whether an item may start within [fromUtc, toUtc] (both included).
    bool MayHold(std::int64_t folderId, const std::u16string& subject, StoreSeconds fromUtc,
                 StoreSeconds toUtc) const;
    bool MayHold(std::int64_t folderId, const std::u16string& subject,
                 StoreSeconds startUtc) const {
        return MayHold(folderId, subject, startUtc, startUtc);
    }

private:
    static std::uint64_t Key(std::int64_t folderId, const std::u16string& subject);
    bool IsLastAdded(std::int64_t folderId, const std::u16string& subject,
                     StoreSeconds startUtc) const;

    bool built_ = false;
    // The starts under each key, ascending and each once.
    std::unordered_map<std::uint64_t, std::vector<StoreSeconds>> starts_;
    // The keys of the changed occurrences' subjects (folder 0).
    std::unordered_set<std::uint64_t> occurrenceSubjects_;
    // The item added last, while the set holds it: the saves of a series
    // come one after another with the same subject and start, and add
    // nothing after the first.
    bool hasLast_ = false;
    std::int64_t lastFolderId_ = 0;
    StoreSeconds lastStart_ = 0;
    std::u16string lastSubject_;
};
