#include "platform/outlook/item_keys.h"

#include "platform/outlook/ascii_case.h"

namespace {

// FNV-1a over 64 bits, a unit at a time.
constexpr std::uint64_t kOffset = 14695981039346656037ull;
constexpr std::uint64_t kPrime = 1099511628211ull;

std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
    return (hash ^ value) * kPrime;
}

} // namespace

void ItemKeys::Build() {
    keys_.clear();
    built_ = true;
}

void ItemKeys::Drop() {
    keys_ = {};
    built_ = false;
}

void ItemKeys::Add(std::int64_t folderId, const std::u16string& subject, StoreSeconds startUtc) {
    if (built_) {
        keys_.insert(Key(folderId, subject, startUtc));
    }
}

bool ItemKeys::MayHold(std::int64_t folderId, const std::u16string& subject,
                       StoreSeconds startUtc) const {
    return !built_ || keys_.count(Key(folderId, subject, startUtc)) != 0;
}

// The subject as the store compares it: ASCII letters folded to lower case.
std::uint64_t ItemKeys::Key(std::int64_t folderId, const std::u16string& subject,
                            StoreSeconds startUtc) {
    std::uint64_t hash = Mix(Mix(kOffset, static_cast<std::uint64_t>(folderId)),
                             static_cast<std::uint64_t>(startUtc));
    for (char16_t c : subject) {
        hash = Mix(hash, FoldAsciiCase(c));
    }
    return hash;
}
