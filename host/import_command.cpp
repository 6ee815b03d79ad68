#include "host/import_command.h"

#include "engine/common/outlook_constants.h"
#include "engine/export/cv_sync_engine.h"
#include "host/command_line.h"
#include "host/import_request.h"
#include "host/outlook_host.h"
#include "host/store_json.h"
#include "host/terminal_progress.h"
#include "platform/outlook/outlook_store.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

void PrintSummary(const ImportRun& run, std::ostream& out) {
    const ImportCounters& c = run.Counters;
    if (run.End == ImportRunEnd::Cancelled) {
        out << "Import cancelled.\n";
    } else if (run.End == ImportRunEnd::Aborted) {
        out << "Import stopped at a calendar of unknown version (see the log).\n";
    }
    out << "files=" << run.Files << " events=" << c.Imported + c.Skipped + c.Failed
        << " imported=" << c.Imported << " failed=" << c.Failed << " skipped=" << c.Skipped << "\n";
}

int ExitStatus(const ImportRun& run) {
    switch (run.End) {
    case ImportRunEnd::NoFiles:
    case ImportRunEnd::NoProgress:
        return kExitUsage;
    case ImportRunEnd::Cancelled:
        return kExitCancelled;
    case ImportRunEnd::Aborted:
        return kExitItemsFailed;
    case ImportRunEnd::Finished:
        break;
    }
    return run.Counters.Failed > 0 ? kExitItemsFailed : kExitOk;
}

int Run(const ImportCommandOptions& flags, const CComPtr<_Application>& outlook, int outlookVersion,
        std::ostream& out, std::ostream& err) {
    ImportRequest request;
    std::string error;
    if (!BuildImportRequest(flags, request, error)) {
        err << "quillane import: " << error << "\n";
        return kExitUsage;
    }
    request.options.Application = outlook;
    try {
        request.options.TargetFolder =
            flags.folder.empty() ? outlook->GetSession()->GetDefaultFolder(olFolderCalendar)
                                 : FindFolder(outlook->GetSession(), flags.folder, false);
    } catch (const StoreJsonError& e) {
        err << "quillane import: " << e.what() << "\n";
        return kExitUsage;
    }
    CvSyncEngine engine(outlook.get(), outlookVersion);
    CTerminalProgress progress(err, StandardErrorIsTerminal());
    ImportRun run = engine.ImportEngine().Run(request.options, request.filter, progress, nullptr);
    if (run.End == ImportRunEnd::NoProgress) {
        err << "quillane import: the import could not start (see the log)\n";
    }
    if (run.End != ImportRunEnd::NoFiles) {
        PrintSummary(run, out);
    }
    return ExitStatus(run);
}

} // namespace

CLI::App* AddImportCommand(CLI::App& app, ImportCommandOptions& o) {
    CLI::App* command =
        app.add_subcommand("import", "Import vCalendar or iCalendar files into a calendar folder");
    command
        ->add_option("paths", o.paths,
                     "Calendar files (any extension) or folders (their *.ics and *.vcs files)")
        ->required();
    command->add_option("--folder", o.folder,
                        "Calendar folder as Outlook shows it, e.g. "
                        "\"\\\\Personal Folders\\Calendar\" (default: the default calendar)");
    command
        ->add_option("--conflict", o.conflict,
                     "What to do with an equal appointment already in the folder: duplicate "
                     "(import anyway), replace (import, then delete the old one) or leave "
                     "(keep the old one)")
        ->check(CLI::IsMember({"duplicate", "replace", "leave"}))
        ->capture_default_str();
    command
        ->add_option("--timezone", o.timezone,
                     "Zone of times that name none: system, a zoneinfo name (Europe/Berlin) or "
                     "a POSIX rule")
        ->capture_default_str();
    AddFilterFlags(*command, o.filter, FilterHelp{"Import", "whose subject names"});
    return command;
}

int RunImportCommand(const ImportCommandOptions& flags, const std::string& storeFile,
                     int outlookVersion, std::ostream& out, std::ostream& err) {
    return RunWithOutlook(storeFile, outlookVersion, "import", err,
                          [&](const CComPtr<_Application>& outlook) {
                              return Run(flags, outlook, outlookVersion, out, err);
                          });
}
