#pragma once
// What a search for an appointment by its subject and start needs to know
// to find nothing without asking the store's file: whether any stored item
// may have that folder, subject (without regard to ASCII case) and start.
// The keys are hashes, so that an answer of "may" still needs the search;
// keys of items that changed or went away stay until the set is dropped.
// Before an import into a fresh store each event's conflict search asks;
// nearly every answer is "no".

#include "platform/outlook/store_time.h"

#include <cstdint>
#include <string>
#include <unordered_set>

class ItemKeys {
public:
    bool Built() const { return built_; }
    // Starts the set afresh with nothing in it; Add the stored items next.
    void Build();
    void Drop();
    void Add(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc);
    bool MayHold(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc) const;

private:
    static std::uint64_t Key(std::int64_t folderId, const std::u16string& subject,
                             StoreSeconds startUtc);

    bool built_ = false;
    std::unordered_set<std::uint64_t> keys_;
};
