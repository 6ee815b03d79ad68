#pragma once
// `quillane import`: reads calendar files (or every calendar file of a
// folder) into a calendar folder, resolving conflicts with appointments
// already there, with the engine's filter when any filter option is given.
// Prints "files=N events=N imported=N failed=N skipped=N" last.
//
//   quillane import work.ics holidays/ --conflict leave --skip-private

#include "host/filter_flags.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// The command's flags as given; BuildImportRequest turns them into the
// engine's options and filter.
struct ImportCommandOptions {
    std::vector<std::string> paths;
    std::string folder; // "\\Personal Folders\Calendar"; empty: the default calendar
    std::string conflict = "duplicate";
    std::string timezone = "system";
    FilterFlags filter;
};

CLI::App* AddImportCommand(CLI::App& app, ImportCommandOptions& options);

// Runs the import against the store; the exit status follows the program's
// contract (0, 1 some items failed, 2 could not start, 130 cancelled).
// The host session (settings registry) must be open.
int RunImportCommand(const ImportCommandOptions& options, const std::string& storeFile,
                     int outlookVersion, std::ostream& out, std::ostream& err);
