#pragma once
// `quillane inspect FILE...`: shows what an import would read from calendar
// files, without touching the calendar store. For each file it prints one
// JSON object with the events (every field the import reads), each
// calendar's zone table, the events that fail, the warnings and the log
// lines the parse produced.

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

struct InspectOptions {
    std::vector<std::string> files;
};

// Adds the command and its flags to the program's command line.
CLI::App* AddInspectCommand(CLI::App& app, InspectOptions& options);

// Exit status: 0 when every file was read, 1 when one could not be.
int RunInspect(const InspectOptions& options, const std::string& configFolder, std::ostream& out,
               std::ostream& err);
