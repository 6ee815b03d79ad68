#include "platform/win32/zoneinfo_file.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

constexpr std::size_t kHeaderSize = 44;
constexpr std::size_t kMaxFileSize = 1 << 20;

// The six counts of a TZif header, in file order.
struct TzifCounts {
    std::uint64_t isut, isstd, leap, time, type, chars;
};

std::uint64_t BigEndian32(const std::string& data, std::size_t at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(data[at + i]);
    }
    return value;
}

bool ReadHeader(const std::string& data, std::size_t at, TzifCounts& counts) {
    if (data.size() < at + kHeaderSize || data.compare(at, 4, "TZif") != 0) {
        return false;
    }
    std::array<std::uint64_t, 6> c{};
    for (std::size_t i = 0; i < c.size(); ++i) {
        c[i] = BigEndian32(data, at + 20 + 4 * i);
    }
    counts = {c[0], c[1], c[2], c[3], c[4], c[5]};
    return true;
}

// Size of the data block after a header whose transition times take
// timeSize bytes (4 in the first block, 8 in the second).
std::uint64_t BlockSize(const TzifCounts& c, std::uint64_t timeSize) {
    return c.time * timeSize + c.time + c.type * 6 + c.chars + c.leap * (timeSize + 4) + c.isstd +
           c.isut;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string data(kMaxFileSize, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

} // namespace

std::string ZoneinfoFolder() {
    const char* dir = std::getenv("TZDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo";
}

std::optional<std::string> ZoneinfoPath(const std::string& name) {
    if (name.empty() || name.find("..") != std::string::npos) {
        return std::nullopt;
    }
    return name.front() == '/' ? name : ZoneinfoFolder() + "/" + name;
}

std::optional<std::string> ReadZoneinfoRule(const std::string& path) {
    std::optional<std::string> data = ReadWholeFile(path);
    TzifCounts first{}, second{};
    if (!data || !ReadHeader(*data, 0, first) || (*data)[4] < '2') {
        return std::nullopt;
    }
    std::uint64_t secondAt = kHeaderSize + BlockSize(first, 4);
    if (secondAt > data->size() || !ReadHeader(*data, secondAt, second)) {
        return std::nullopt;
    }
    std::uint64_t footerAt = secondAt + kHeaderSize + BlockSize(second, 8);
    if (footerAt >= data->size() || (*data)[footerAt] != '\n') {
        return std::nullopt;
    }
    std::size_t end = data->find('\n', footerAt + 1);
    if (end == std::string::npos || end == footerAt + 1) {
        return std::nullopt;
    }
    return data->substr(footerAt + 1, end - footerAt - 1);
}
