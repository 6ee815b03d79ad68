#pragma once
// One conversion through an iconv descriptor into a growing buffer. The
// descriptors are opened once per thread, code page and direction and kept,
// since the engines convert every field of every item.

#include "platform/win32/code_page_table.h"

#include <iconv.h>
#include <string>
#include <string_view>

enum class IconvDirection {
    kEncode, // UTF-16 to the code page
    kDecode, // the code page to UTF-16
};

class IconvPump {
public:
    // Starts from the initial shift state with room for expectedBytes.
    IconvPump(const CodePageInfo& page, IconvDirection direction, size_t expectedBytes);

    // False when iconv does not know the code page.
    bool IsOpen() const;

    // Converts from the front of the input until the end or the first
    // character iconv cannot convert; returns how much input was consumed.
    size_t Convert(std::u16string_view wide);
    size_t Convert(std::string_view bytes);
    // Converts the input and drops what cannot be converted.
    void ConvertAll(std::u16string_view wide);
    // Puts bytes into the output as they stand.
    void AppendRaw(const void* data, size_t size);
    // Ends the output in the initial shift state.
    void Finish();

    std::string Bytes() const;
    std::u16string Units() const;

private:
    size_t ConvertBytes(const char* in, size_t size);
    void Grow();

    iconv_t descriptor_;
    std::string buffer_;
    size_t used_ = 0;
};
