#pragma once
// SupportedEncodingsList: the catalogue of character sets the system offers,
// read from "supportedEncodings.txt" in the add-in's module folder. Each line
// holds a display name, a charset name and a Windows code page separated by
// "|", for example:
//
//   Western European|iso-8859-1|28591
//
// A missing file or a single bad line leaves only UTF-8 and tells the user.

#include <cstdint>
#include <string>
#include <vector>

struct EncodingEntry {
    std::string DisplayName; // shown in the option pages and kept in the settings
    std::string CharsetName; // written into and read from CHARSET parameters
    std::int32_t CodePage;

    bool operator==(const EncodingEntry&) const = default;
};

class SupportedEncodingsList {
public:
    // Loads the catalogue; on failure shows a warning box owned by the
    // active window and falls back to the UTF-8 entry alone.
    SupportedEncodingsList();
    virtual ~SupportedEncodingsList();

    // In file order, as the option pages list them.
    const std::vector<EncodingEntry>& Entries() const { return entries_; }

private:
    std::vector<EncodingEntry> entries_;
};
