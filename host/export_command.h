#pragma once
// `quillane export`: writes the appointments of a calendar folder (or of
// chosen entries) to vCalendar or iCalendar files, with the engine's filter
// when any filter option is given. Prints a short summary and then
// "exported=N failed=N skipped=N total=N".
//
//   quillane export --to out --format vcs --one-file --skip-private

#include "host/filter_flags.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// The command's flags as given; ExportRequest turns them into the engine's
// options, so that other front ends (the wizard) can drive the same run.
struct ExportCommandOptions {
    std::string folder; // "\\Personal Folders\Calendar"; empty: the default calendar
    std::string to;
    std::string format = "ics";
    std::string encoding; // empty: the first of the catalogue
    bool oneFile = false;
    bool overwrite = false;
    std::vector<std::string> selected; // entry ids
    FilterFlags filter;
};

CLI::App* AddExportCommand(CLI::App& app, ExportCommandOptions& options);

// Runs the export against the store; the exit status follows the program's
// contract (0, 1 some items failed, 2 could not start, 130 cancelled).
// The host session (settings registry) must be open.
int RunExportCommand(const ExportCommandOptions& options, const std::string& storeFile,
                     int outlookVersion, std::ostream& out, std::ostream& err);
