#include "engine/export/written_file_list.h"

#include <algorithm>
#include <functional>

namespace {

// Paths are at most a few hundred bytes; a block holds many.
constexpr size_t kBlockSize = 65536;

std::string_view FolderOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

} // namespace

std::string WrittenFileList::Packed(std::string_view path) const {
    if (!folder_.empty() && path.starts_with(folder_)) {
        return "+" + std::string(path.substr(folder_.size()));
    }
    return "=" + std::string(path);
}

std::string_view WrittenFileList::Entry(size_t index) const {
    return blocks_[places_[index] / kBlockSize].data() + places_[index] % kBlockSize;
}

std::string WrittenFileList::Unpacked(std::string_view entry) const {
    return (entry[0] == '+' ? folder_ : std::string()) + std::string(entry.substr(1));
}

size_t WrittenFileList::Slot(std::string_view packed) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = std::hash<std::string_view>{}(packed)&mask;; slot = (slot + 1) & mask) {
        if (slots_[slot] == 0 || Entry(slots_[slot] - 1) == packed) {
            return slot;
        }
    }
}

void WrittenFileList::Grow() {
    slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, 0);
    for (size_t i = 0; i < places_.size(); ++i) {
        slots_[Slot(Entry(i))] = static_cast<std::uint32_t>(i + 1);
    }
}

void WrittenFileList::insert(const std::string& path) {
    if (empty()) {
        folder_ = FolderOf(path);
    }
    // The index stays at most half full, so that look-ups stay short.
    if ((places_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::string packed = Packed(path);
    const size_t slot = Slot(packed);
    if (slots_[slot] != 0) {
        return;
    }
    if (blocks_.empty() || blocks_.back().size() + packed.size() + 1 > kBlockSize) {
        blocks_.emplace_back().reserve(std::max(kBlockSize, packed.size() + 1));
    }
    std::string& block = blocks_.back();
    places_.push_back(static_cast<std::uint32_t>((blocks_.size() - 1) * kBlockSize + block.size()));
    block.append(packed).push_back('\0');
    slots_[slot] = static_cast<std::uint32_t>(places_.size());
}

bool WrittenFileList::contains(const std::string& path) const {
    return !empty() && slots_[Slot(Packed(path))] != 0;
}

void WrittenFileList::erase(const std::string& path) {
    if (!contains(path)) {
        return;
    }
    // Rare (a one-file run whose end could not be written): built anew.
    std::vector<std::string> kept = Paths();
    std::erase(kept, path);
    clear();
    for (const std::string& p : kept) {
        insert(p);
    }
}

void WrittenFileList::clear() {
    folder_.clear();
    blocks_.clear();
    places_.clear();
    slots_.clear();
}

std::vector<std::string> WrittenFileList::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(size());
    for (size_t i = 0; i < size(); ++i) {
        paths.push_back(Unpacked(Entry(i)));
    }
    return paths;
}
