#include "host/command_line.h"

#include "host/data_locations.h"
#include "host/export_command.h"
#include "host/host_session.h"
#include "host/import_command.h"
#include "host/parse_report_command.h"
#include "host/store_command.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

struct GlobalOptions {
    std::string store;
    std::string config;
    int outlookVersion = 14;
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
    InspectOptions inspect;
    CLI::App* inspectCommand = AddInspectCommand(app, inspect);
    ExportCommandOptions exportFlags;
    CLI::App* exportCommand = AddExportCommand(app, exportFlags);
    ImportCommandOptions importFlags;
    CLI::App* importCommand = AddImportCommand(app, importFlags);
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
    if (importCommand->parsed()) {
        return RunImportCommand(importFlags, locations.storeFile, options.outlookVersion, out, err);
    }
    return kExitUsage;
}
