#pragma once
// Text compared as the store's NOCASE columns and Outlook's filters compare
// it: ASCII letters without regard to case, every other unit as it is.

#include <algorithm>
#include <string_view>

inline char16_t FoldAsciiCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return FoldAsciiCase(x) == FoldAsciiCase(y); });
}
