#include "host/command_line.h"

#include "host/data_locations.h"
#include "host/export_command.h"
#include "host/host_session.h"
#include "host/inspect_command.h"
#include "host/store_command.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

struct GlobalOptions {
    std::string store;
    std::string config;
    int outlookVersion = 14;
};

struct PendingCommand {
    const char* name;
    const char* description;
};

// Commands whose work is not part of this build yet: they are listed in the
// help and refuse to run.
const PendingCommand kPendingCommands[] = {
    {"import", "Import vCalendar or iCalendar files into a calendar folder"},
};

void AddGlobalOptions(CLI::App& app, GlobalOptions& options) {
    app.add_option("--store", options.store,
                   "Calendar store file (default: $QUILLANE_STORE, else "
                   "$XDG_DATA_HOME/quillane/calendar.db)");
    app.add_option("--config", options.config,
                   "Settings folder (default: $XDG_CONFIG_HOME/quillane)");
    app.add_option("--outlook-version", options.outlookVersion,
                   "Outlook major version the host reports")
        ->check(CLI::Range(9, 16))
        ->capture_default_str();
}

} // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Quillane: move calendar appointments between a calendar store and "
                 "vCalendar/iCalendar files",
                 "quillane"};
    app.set_version_flag("--version", std::string("quillane ") + QUILLANE_VERSION);
    app.require_subcommand(1);
    GlobalOptions options;
    AddGlobalOptions(app, options);
    StoreCommandOptions storeOptions;
    CLI::App* store = AddStoreCommand(app, storeOptions);
    for (const PendingCommand& command : kPendingCommands) {
        app.add_subcommand(command.name, command.description)->allow_extras()->prefix_command();
    }
    InspectOptions inspect;
    CLI::App* inspectCommand = AddInspectCommand(app, inspect);
    ExportCommandOptions exportFlags;
    CLI::App* exportCommand = AddExportCommand(app, exportFlags);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return kExitUsage;
    }
    DataLocations locations = ResolveDataLocations(options.store, options.config);
    OpenHostSession(locations);
    if (inspectCommand->parsed()) {
        return RunInspect(inspect, locations.configFolder, out, err);
    }
    if (exportCommand->parsed()) {
        return RunExportCommand(exportFlags, locations.storeFile, options.outlookVersion, out, err);
    }
    if (store->parsed()) {
        return RunStoreCommand(storeOptions, locations.storeFile, out, err);
    }
    for (const PendingCommand& command : kPendingCommands) {
        if (app.got_subcommand(command.name)) {
            err << "quillane: the '" << command.name << "' command is not available yet\n";
            return kExitUsage;
        }
    }
    return kExitUsage;
}
