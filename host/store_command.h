#pragma once
// `quillane store`: create the calendar store, list its folders, load and
// dump appointments as JSON, and show an agenda. Flags are parsed into
// StoreCommandOptions by the command line; RunStoreCommand does the work.

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

struct StoreCommandOptions {
    std::string action; // init, folders, load, dump or list
    std::string file;   // load: the JSON file
    std::string folder; // --folder, as Outlook shows it: \\Personal Folders\Calendar
    std::string from;   // list: --from, YYYY-MM-DD[THH:MM:SS]
    std::string to;     // list: --to
};

// Adds the "store" command and its actions to the program's command line.
CLI::App* AddStoreCommand(CLI::App& app, StoreCommandOptions& options);

// Runs the parsed command on the store file; returns the program's exit status.
int RunStoreCommand(const StoreCommandOptions& options, const std::string& storeFile,
                    std::ostream& out, std::ostream& err);
