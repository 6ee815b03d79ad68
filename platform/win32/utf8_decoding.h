#pragma once
// Decoding of well-formed UTF-8 into UTF-16 without iconv: the common case
// of calendar text, which the conversion layer and the import's value
// decoding take before falling back to iconv for anything ill-formed.
//
// Example: "Gr\xC3\xBC\xC3\x9F \xF0\x9D\x84\x9E" appends u"Gr\u00fc\u00df " and the
// surrogate pair of U+1D11E; "\xC0\xAF" (an overlong "/") is refused.

#include <string>
#include <string_view>

// Appends the UTF-16 units of the bytes to out. False at the first byte
// sequence that is not well-formed UTF-8 (overlong forms, surrogates, code
// points beyond U+10FFFF, truncated or stray continuation bytes); out then
// holds an unspecified part of the text.
bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out);
