#include "host/export_command.h"

#include "engine/common/outlook_constants.h"
#include "engine/export/cv_sync_engine.h"
#include "host/command_line.h"
#include "host/export_request.h"
#include "host/outlook_host.h"
#include "host/store_json.h"
#include "host/terminal_progress.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/code_page.h"
#include "platform/win32/paths.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

// Shows the folder in the Explorer with the given entries selected.
void SelectEntries(const CComPtr<_Application>& outlook, const CComPtr<MAPIFolder>& folder,
                   const std::vector<std::string>& entryIds) {
    outlook->ActiveExplorer()->PutRefCurrentFolder(folder);
    std::vector<SelectionEntry> entries;
    for (const std::string& id : entryIds) {
        entries.push_back({AnsiToWide(id), std::nullopt});
    }
    SetExplorerSelection(outlook, std::move(entries));
}

void PrintSummary(const ExportRunResult& result, const std::string& folder, std::ostream& out) {
    if (result.cancelled) {
        out << "Export cancelled.\n";
    }
    out << "Exported " << result.exported << " of " << result.Total() << " appointments into "
        << result.WrittenFiles.size() << (result.WrittenFiles.size() == 1 ? " file" : " files")
        << " in " << folder;
    if (result.failed > 0 || result.skipped > 0) {
        out << " (" << result.failed << " failed, " << result.skipped << " skipped)";
    }
    out << ".\n";
    out << "exported=" << result.exported << " failed=" << result.failed
        << " skipped=" << result.skipped << " total=" << result.Total() << "\n";
}

int ExitStatus(const ExportRunResult& result) {
    if (!result.started) {
        return kExitUsage;
    }
    if (result.cancelled) {
        return kExitCancelled;
    }
    return result.failed > 0 ? kExitItemsFailed : kExitOk;
}

int Run(const ExportCommandOptions& flags, const CComPtr<_Application>& outlook, int outlookVersion,
        std::ostream& out, std::ostream& err) {
    ExportRequest request;
    std::string error;
    if (!BuildExportRequest(flags, request, error)) {
        err << "quillane export: " << error << "\n";
        return kExitUsage;
    }
    try {
        request.options.folder = flags.folder.empty()
                                     ? outlook->GetSession()->GetDefaultFolder(olFolderCalendar)
                                     : FindFolder(outlook->GetSession(), flags.folder, false);
    } catch (const StoreJsonError& e) {
        err << "quillane export: " << e.what() << "\n";
        return kExitUsage;
    }
    if (request.options.selectedOnly) {
        SelectEntries(outlook, request.options.folder, flags.selected);
    }
    CvSyncEngine engine(outlook.get(), outlookVersion);
    CTerminalProgress progress(err, StandardErrorIsTerminal());
    ExportRunResult result = engine.ExportEngine().RunExport(
        outlook, request.options, request.options.useFilter ? &request.filter : nullptr, progress,
        nullptr);
    if (!result.started) {
        err << "quillane export: the export could not start (see the log)\n";
    }
    PrintSummary(result, flags.to, out);
    return ExitStatus(result);
}

} // namespace

CLI::App* AddExportCommand(CLI::App& app, ExportCommandOptions& o) {
    CLI::App* command =
        app.add_subcommand("export", "Export appointments to vCalendar or iCalendar files");
    command->add_option("--folder", o.folder,
                        "Calendar folder as Outlook shows it, e.g. "
                        "\"\\\\Personal Folders\\Calendar\" (default: the default calendar)");
    command->add_option("--to", o.to, "Folder that receives the files")->required();
    command->add_option("--format", o.format, "ics (iCalendar 2.0) or vcs (vCalendar 1.0)")
        ->check(CLI::IsMember({"ics", "vcs"}))
        ->capture_default_str();
    command->add_option("--encoding", o.encoding,
                        "Character set by its display name in supportedEncodings.txt "
                        "(default: its first entry)");
    command->add_flag("--one-file", o.oneFile,
                      "All appointments into one file named after the folder");
    command->add_flag("--overwrite", o.overwrite,
                      "Replace files of the same name instead of numbering new ones");
    command
        ->add_option("--selected", o.selected,
                     "Export only these entry ids (as if selected in the Explorer)")
        ->delimiter(',');
    AddFilterFlags(*command, o.filter, FilterHelp{"Export", "with"});
    return command;
}

int RunExportCommand(const ExportCommandOptions& flags, const std::string& storeFile,
                     int outlookVersion, std::ostream& out, std::ostream& err) {
    if (!IsDirectory(flags.to)) {
        err << "quillane export: '" << flags.to << "' is not a folder\n";
        return kExitUsage;
    }
    return RunWithOutlook(storeFile, outlookVersion, "export", err,
                          [&](const CComPtr<_Application>& outlook) {
                              return Run(flags, outlook, outlookVersion, out, err);
                          });
}
