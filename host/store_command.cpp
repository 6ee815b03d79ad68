#include "host/store_command.h"

#include "engine/common/outlook_items.h"
#include "host/command_line.h"
#include "host/outlook_host.h"
#include "host/store_json.h"
#include "platform/com/com_error.h"
#include "platform/com/date_format.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/locale.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <fstream>
#include <sstream>

using nlohmann::json;

namespace {

struct StoreRun {
    const StoreCommandOptions& options;
    const std::string& storeFile;
    CComPtr<_Application> outlook;
    std::ostream& out;
    std::ostream& err;
};

CComPtr<_NameSpace> Session(StoreRun& run) {
    return run.outlook->GetSession();
}

CComPtr<MAPIFolder> TargetFolder(StoreRun& run, bool create) {
    if (run.options.folder.empty()) {
        return Session(run)->GetDefaultFolder(olFolderCalendar);
    }
    return FindFolder(Session(run), run.options.folder, create);
}

void ListFolders(StoreRun& run, const CComPtr<_Folders>& folders) {
    for (LONG i = 1; i <= folders->GetCount(); ++i) {
        CComPtr<MAPIFolder> folder = folders->Item(_variant_t(i, VT_INT));
        run.out << FolderPath(folder) << '\t'
                << (folder->GetDefaultItemType() == olAppointmentItem ? "appointments" : "mail")
                << '\n';
        ListFolders(run, folder->GetFolders());
    }
}

int Init(StoreRun& run) {
    CComPtr<MAPIFolder> top = Session(run)->GetFolders()->Item(_variant_t(LONG{1}, VT_INT));
    run.out << "calendar store ready: " << run.storeFile << " (" << ToUtf8(top->GetName()) << ")\n";
    return kExitOk;
}

int Folders(StoreRun& run) {
    ListFolders(run, Session(run)->GetFolders());
    return kExitOk;
}

int Dump(StoreRun& run) {
    CComPtr<_Items> items = TargetFolder(run, false)->GetItems();
    json all = json::array();
    for (LONG i = 1; i <= items->GetCount(); ++i) {
        all.push_back(
            DumpAppointment(QueryInterface<_AppointmentItem>(items->Item(_variant_t(i, VT_INT)))));
    }
    run.out << all.dump(2) << '\n';
    return kExitOk;
}

// Line and column of a byte offset, both from 1.
std::pair<size_t, size_t> LineAndColumn(const std::string& text, size_t offset) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        column = text[i] == '\n' ? 1 : column + 1;
        line += text[i] == '\n' ? 1 : 0;
    }
    return {line, column};
}

bool ReadJson(StoreRun& run, json& document) {
    std::ifstream in(run.options.file, std::ios::binary);
    if (!in) {
        run.err << "quillane: cannot read " << run.options.file << "\n";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        document = json::parse(text.str());
    } catch (const json::parse_error& e) {
        const auto [line, column] = LineAndColumn(text.str(), e.byte > 0 ? e.byte - 1 : 0);
        // The library's text starts with its own position; keep what follows.
        std::string what = e.what();
        const size_t detail = what.find(": ", what.find("column"));
        what = detail == std::string::npos ? what : what.substr(detail + 2);
        run.err << run.options.file << ":" << line << ":" << column << ": " << what
                << "; nothing was loaded\n";
        return false;
    }
    return true;
}

bool CheckDocument(StoreRun& run, const json& document) {
    if (!document.is_array()) {
        run.err << run.options.file << ": expected a list of appointments; nothing was loaded\n";
        return false;
    }
    for (size_t i = 0; i < document.size(); ++i) {
        try {
            CheckAppointment(document[i]);
        } catch (const StoreJsonError& e) {
            run.err << run.options.file << ": appointment " << i + 1 << ": " << e.what()
                    << "; nothing was loaded\n";
            return false;
        }
    }
    return true;
}

int Load(StoreRun& run) {
    json document;
    if (!ReadJson(run, document) || !CheckDocument(run, document)) {
        return kExitUsage;
    }
    StoreTransaction transaction(run.outlook);
    for (size_t i = 0; i < document.size(); ++i) {
        const json& object = document[i];
        try {
            const std::string path = object.value("folder", json()).is_string()
                                         ? object["folder"].get<std::string>()
                                         : run.options.folder;
            CComPtr<MAPIFolder> folder =
                path.empty() ? TargetFolder(run, true) : FindFolder(Session(run), path, true);
            LoadAppointment(object, QueryInterface<_AppointmentItem>(folder->GetItems()->Add()));
        } catch (const _com_error& e) {
            run.err << run.options.file << ": appointment " << i + 1 << ": "
                    << ToUtf8(e.Description()) << "; nothing was loaded\n";
            return kExitItemsFailed;
        } catch (const StoreJsonError& e) {
            run.err << run.options.file << ": appointment " << i + 1 << ": " << e.what()
                    << "; nothing was loaded\n";
            return kExitItemsFailed;
        }
    }
    transaction.Commit();
    run.out << "loaded=" << document.size() << "\n";
    return kExitOk;
}

std::string LocaleShortDate() {
    char picture[80] = {};
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, sizeof picture) > 0
               ? picture
               : "M/d/yyyy";
}

// A date as Outlook's filters take it: the locale's short date and a time.
std::u16string FilterDate(DATE date) {
    return FromUtf8(FormatDateWithPicture(date, LocaleShortDate()).value_or("") + " " +
                    FormatTimeWithPicture(date, "HH:mm:ss").value_or(""));
}

DATE Today() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0);
}

bool ParseBound(StoreRun& run, const std::string& text, const char* flag, DATE& out) {
    if (!ParseLocalDateTime(text, out)) {
        run.err << "quillane: " << flag << " " << text
                << ": expected YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS\n";
        return false;
    }
    return true;
}

int List(StoreRun& run) {
    DATE from = Today();
    DATE to = from + 30;
    std::u16string upper = u"' And [Start] < '";
    if (!run.options.from.empty() && !ParseBound(run, run.options.from, "--from", from)) {
        return kExitUsage;
    }
    if (!run.options.to.empty()) {
        if (!ParseBound(run, run.options.to, "--to", to)) {
            return kExitUsage;
        }
        // A day given alone includes the whole day.
        to += run.options.to.size() == 10 ? 1 : 0;
        upper = run.options.to.size() == 10 ? upper : u"' And [Start] <= '";
    }
    CComPtr<_Items> items = TargetFolder(run, false)->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    CComPtr<_Items> agenda =
        items->Restrict(u"[Start] >= '" + FilterDate(from) + upper + FilterDate(to) + u"'");
    for (CComPtr<IUnknown> i = agenda->GetFirst(); i; i = agenda->GetNext()) {
        CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(i);
        run.out << FormatLocalDateTime(item->GetStart()) << '\t'
                << FormatLocalDateTime(item->GetEnd()) << '\t' << ToUtf8(item->GetSubject())
                << '\n';
    }
    return kExitOk;
}

struct Action {
    const char* name;
    const char* description;
    int (*run)(StoreRun&);
};

const Action kActions[] = {
    {"init", "Create the store (with Personal Folders, Calendar and Inbox) if it is missing", Init},
    {"folders", "List the store's folders", Folders},
    {"load", "Add the appointments of a JSON file (all of them, or none on error)", Load},
    {"dump", "Write the appointments of a folder as JSON", Dump},
    {"list", "Show the appointments and occurrences starting in a date range", List},
};

} // namespace

CLI::App* AddStoreCommand(CLI::App& app, StoreCommandOptions& options) {
    CLI::App* store = app.add_subcommand("store", "Create, list, load and dump the calendar store");
    store->require_subcommand(1);
    for (const Action& action : kActions) {
        CLI::App* sub = store->add_subcommand(action.name, action.description);
        sub->callback([&options, name = action.name] { options.action = name; });
        const std::string name = action.name;
        if (name == "load") {
            sub->add_option("FILE", options.file, "JSON file: a list of appointments")->required();
        }
        if (name != "init" && name != "folders") {
            sub->add_option("--folder", options.folder,
                            "Folder as Outlook shows it (default: \\\\Personal Folders\\Calendar)");
        }
        if (name == "list") {
            sub->add_option("--from", options.from, "First start shown (default: today)");
            sub->add_option("--to", options.to, "Last start shown (default: 30 days on)");
        }
    }
    return store;
}

int RunStoreCommand(const StoreCommandOptions& options, const std::string& storeFile,
                    std::ostream& out, std::ostream& err) {
    try {
        StoreRun run{options, storeFile, OpenOutlook(storeFile, 14), out, err};
        for (const Action& action : kActions) {
            if (options.action == action.name) {
                return action.run(run);
            }
        }
    } catch (const _com_error& e) {
        err << "quillane: " << ToUtf8(e.Description()) << "\n";
    } catch (const StoreJsonError& e) {
        err << "quillane: " << e.what() << "\n";
    }
    return kExitUsage;
}
