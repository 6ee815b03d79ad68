#pragma once
// Wide (UTF-16) texts handed over by the add-in, as UTF-8 for the log file
// and the terminal.

#include <string>

// A null text gives an empty one; unconvertible sequences become "?".
std::string Utf8FromWide(const char16_t* text);
