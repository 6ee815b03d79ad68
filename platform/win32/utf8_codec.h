#pragma once
// Direct conversion between UTF-16 and UTF-8 for well-formed text, and of
// text that is ASCII throughout: the common cases of the code-page layer,
// done without a trip through iconv.
//
//   std::string bytes;
//   if (EncodeUtf8(u"Caf\u00e9", false, bytes)) ...   // "Caf\xC3\xA9"

#include <string>
#include <string_view>

// The units as bytes, or the bytes as units, when every one is below 128;
// false otherwise (out unspecified).
bool NarrowAscii(std::u16string_view wide, std::string& out);
bool WidenAscii(std::string_view bytes, std::u16string& out);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD, or makes the
// conversion fail (false, out unspecified) when failOnInvalid is set.
bool EncodeUtf8(std::u16string_view wide, bool failOnInvalid, std::string& out);

// UTF-8 to UTF-16 for well-formed input only: false at the first byte that
// does not belong to a well-formed sequence (out unspecified), so that the
// caller can apply its own replacement rules to broken text.
bool DecodeWellFormedUtf8(std::string_view bytes, std::u16string& out);
