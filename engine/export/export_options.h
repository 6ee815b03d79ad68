#pragma once
// ExportOptions: what the export pages hand to the export engine for one run
// (the folder, where the files go and how they are laid out and encoded).

#include "engine/common/outlook_folder.h"
#include "platform/com/com_ptr.h"

#include <string>

// Calendar file formats, as the engines, the pages and the settings number them.
inline constexpr int kFormatVCalendar10 = 10;
inline constexpr int kFormatICalendar20 = 20;

struct ExportOptions {
    CComPtr<MAPIFolder> folder; // the calendar folder to export
    std::string outputFolder;   // directory of the output files (at most 260 bytes)
    bool oneFile = false;       // every item into one file named after the folder
    bool selectedOnly = false;  // export the Explorer selection instead of the folder
    bool overwrite = false;     // replace files of the same name instead of numbering
    bool useFilter = false;     // apply the ExportFilter handed with the options
    int format = kFormatICalendar20;
    std::string encoding; // DisplayName of an entry of the encodings catalogue
};
