#include "platform/win32/iconv_pump.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

constexpr const char* kHostUtf16 =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// An iconv descriptor closed with its owner.
class IconvDescriptor {
public:
    IconvDescriptor(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~IconvDescriptor() {
        if (descriptor_ != kNoDescriptor) {
            iconv_close(descriptor_);
        }
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    iconv_t Get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

// Opens each descriptor once per thread; a failed open is kept too, so that
// an unavailable code page is not tried again for every field.
iconv_t CachedDescriptor(const CodePageInfo& page, IconvDirection direction) {
    thread_local std::unordered_map<std::uint64_t, IconvDescriptor> cache;
    std::uint64_t key = std::uint64_t{page.codePage} << 1 | (direction == IconvDirection::kDecode);
    bool encode = direction == IconvDirection::kEncode;
    auto [entry, added] = cache.try_emplace(key, encode ? page.iconvName : kHostUtf16,
                                            encode ? kHostUtf16 : page.iconvName);
    return entry->second.Get();
}

} // namespace

IconvPump::IconvPump(const CodePageInfo& page, IconvDirection direction, size_t expectedBytes)
    : descriptor_(CachedDescriptor(page, direction)), buffer_(expectedBytes, '\0') {
    if (IsOpen()) {
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    }
}

bool IconvPump::IsOpen() const {
    return descriptor_ != kNoDescriptor;
}

size_t IconvPump::Convert(std::u16string_view wide) {
    return ConvertBytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2) / 2;
}

size_t IconvPump::Convert(std::string_view bytes) {
    return ConvertBytes(bytes.data(), bytes.size());
}

void IconvPump::ConvertAll(std::u16string_view wide) {
    while (!wide.empty()) {
        wide.remove_prefix(Convert(wide));
        if (!wide.empty()) {
            wide.remove_prefix(1);
        }
    }
}

void IconvPump::AppendRaw(const void* data, size_t size) {
    while (buffer_.size() - used_ < size) {
        Grow();
    }
    std::memcpy(buffer_.data() + used_, data, size);
    used_ += size;
}

void IconvPump::Finish() {
    for (;;) {
        char* out = buffer_.data() + used_;
        size_t room = buffer_.size() - used_;
        size_t result = iconv(descriptor_, nullptr, nullptr, &out, &room);
        used_ = static_cast<size_t>(out - buffer_.data());
        if (result != static_cast<size_t>(-1) || errno != E2BIG) {
            return;
        }
        Grow();
    }
}

std::string IconvPump::Bytes() const {
    return buffer_.substr(0, used_);
}

std::u16string IconvPump::Units() const {
    std::u16string units(used_ / 2, u'\0');
    std::memcpy(units.data(), buffer_.data(), units.size() * 2);
    return units;
}

size_t IconvPump::ConvertBytes(const char* in, size_t size) {
    char* input = const_cast<char*>(in);
    size_t left = size;
    for (;;) {
        char* out = buffer_.data() + used_;
        size_t room = buffer_.size() - used_;
        size_t result = iconv(descriptor_, &input, &left, &out, &room);
        used_ = static_cast<size_t>(out - buffer_.data());
        if (result != static_cast<size_t>(-1) || errno != E2BIG) {
            return size - left;
        }
        Grow();
    }
}

void IconvPump::Grow() {
    buffer_.resize(buffer_.size() * 2 + 16);
}
