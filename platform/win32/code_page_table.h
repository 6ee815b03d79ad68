#pragma once
// The Windows code pages this system converts, each with the name the C
// library's iconv knows it by (1252 is "CP1252", 28595 is "ISO-8859-5").

#include "platform/win32/types.h"

// How a code page behaves where Windows treats code pages differently.
enum class CodePageKind {
    kPlain,    // a table-driven single- or double-byte code page; "?" stands in
    kUnicode,  // encodes every character; U+FFFD stands in for broken text
    kStateful, // switches modes with escape sequences (ISO-2022)
};

struct CodePageInfo {
    UINT codePage;
    const char* iconvName;
    CodePageKind kind;
};

// The entry for a code page, or null when the system does not know it.
const CodePageInfo* FindCodePage(UINT codePage);
