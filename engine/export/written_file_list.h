#pragma once
// WrittenFileList: the files an export run completed (the `WrittenFiles` the
// finish page offers to open or mail), each path once. A per-item export of
// a large folder completes a file per appointment, so the paths are kept
// packed in blocks of text that never move, the folder they share written
// once, with four bytes per path for where it is and about eight for the
// look-up index.
//
//   WrittenFileList files;
//   files.insert("/out/20070305090000_Review.ics");
//   files.count("/out/20070305090000_Review.ics");   // 1
//   for (const std::string& path : files.Paths()) ...

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class WrittenFileList {
public:
    // Adds the path unless it is there already.
    void insert(const std::string& path);
    void erase(const std::string& path);
    bool contains(const std::string& path) const;
    size_t count(const std::string& path) const { return contains(path) ? 1 : 0; }
    size_t size() const { return places_.size(); }
    bool empty() const { return places_.empty(); }
    void clear();
    // The paths in the order they were added.
    std::vector<std::string> Paths() const;

private:
    // A path as packed: "+" and the rest when it starts with the shared
    // folder, "=" and the whole path otherwise.
    std::string Packed(std::string_view path) const;
    std::string_view Entry(size_t index) const;
    std::string Unpacked(std::string_view entry) const;
    // The slot of the index where the packed path is, or the empty slot
    // where it would go.
    size_t Slot(std::string_view packed) const;
    void Grow();

    std::string folder_;
    // The packed paths, each ended by a zero byte, in blocks filled one
    // after another; a path's place is its block number times the block
    // size plus its offset.
    std::vector<std::string> blocks_;
    std::vector<std::uint32_t> places_;
    std::vector<std::uint32_t> slots_; // open addressing: entry number + 1, 0 for empty
};
