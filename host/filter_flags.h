#pragma once
// The filter options export and import share on the command line, and the
// filter both engines take from them: the same flag bits, the categories
// joined by the user's list separator, a label mask and a local date range.
//
//   quillane export --to out --skip-private --only-labels 8,9 --after 2026-01-01

#include "platform/com/ole_date_time.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CLI {
class App;
}

struct FilterFlags {
    bool skipAllDay = false;
    bool skipPrivate = false;
    std::vector<std::string> excludeCategories;
    std::vector<std::string> onlyCategories;
    std::vector<int> excludeLabels;
    std::vector<int> onlyLabels;
    std::string after; // date or date-time, local time
    std::string before;
};

// What the help texts say of the events the direction keeps ("Export",
// "Import") and of how an event has a label.
struct FilterHelp {
    const char* verb;
    const char* labelled;
};

void AddFilterFlags(CLI::App& command, FilterFlags& flags, const FilterHelp& help);

// The filter in the engines' common form; Categories in the ANSI code page.
struct FilterChoice {
    uint32_t Flags = 0;
    std::string Categories;
    uint32_t LabelMask = 0;
    COleDateTime DateFrom = COleDateTime::Invalid();
    COleDateTime DateTo = COleDateTime::Invalid();
};

// False with a message for a label outside 1 to 10 or a date that does not
// read.
bool BuildFilterChoice(const FilterFlags& flags, FilterChoice& choice, std::string& error);
