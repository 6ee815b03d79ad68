#pragma once
// Whole-text conversion between UTF-16 and the bytes of one code page over
// iconv. The text goes through iconv in one call; only where a character
// cannot be converted does the loop stop, put a stand-in in its place and go
// on with the rest. UTF-8, and ASCII text in the code pages that write ASCII
// as it is, are converted directly, with the same result.

#include "platform/win32/code_page_table.h"

#include <string>
#include <string_view>

enum class ConversionResult {
    kDone,
    kUnavailable,  // iconv cannot convert this code page on this machine
    kInvalidInput, // broken input while failOnInvalid was set
};

struct EncodeOptions {
    // Fail at broken UTF-16 (an unpaired surrogate) instead of replacing it.
    bool failOnInvalid = false;
    // The bytes put in place of a character the code page lacks; empty means
    // the code page's own default character "?".
    std::string_view defaultChar;
};

// UTF-16 to bytes. A character the code page lacks becomes the default
// character and sets usedDefault; an unpaired surrogate becomes U+FFFD in a
// Unicode code page and the default character in any other.
ConversionResult EncodeWide(const CodePageInfo& page, std::u16string_view wide,
                            const EncodeOptions& options, std::string& out, bool& usedDefault);

// Bytes to UTF-16. Each byte that does not start a valid character becomes
// U+FFFD (in UTF-8, each longest broken start of a sequence), unless
// failOnInvalid is set.
ConversionResult DecodeNarrow(const CodePageInfo& page, std::string_view bytes, bool failOnInvalid,
                              std::u16string& out);
