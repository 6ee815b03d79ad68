#include "host/parse_report_command.h"

#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "engine/import/list_separator.h"
#include "engine/import/read_file.h"
#include "host/command_line.h"
#include "host/parse_report_json.h"
#include "platform/win32/files.h"
#include "platform/win32/module.h"
#include "platform/win32/registry.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

using nlohmann::json;

namespace {

// Collects what the parser hands out into the file's JSON object.
class InspectConsumer : public ParsedEventConsumer {
public:
    explicit InspectConsumer(json& file) : file_(file) {}

    int AddEvent(CvCalParser& parser) override {
        json event = ParsedEventJson(parser.Event);
        event["calendar"] = file_["calendars"].size();
        event["version"] = parser.Version;
        file_["events"].push_back(event);
        return 0;
    }
    void EventFailed(CvCalParser&) override {
        file_["failed_events"] = file_["failed_events"].get<int>() + 1;
    }
    void CalendarEnded(CvCalParser& parser) override {
        file_["calendars"].push_back({{"version", parser.Version},
                                      {"prod_id", AnsiToUtf8(parser.ProdId)},
                                      {"time_zones", TimeZoneTableJson(parser.TimeZones)}});
    }
    void ShowWarning(const std::string& title, const std::string& text) override {
        file_["warnings"].push_back({{"title", AnsiToUtf8(title)}, {"text", AnsiToUtf8(text)}});
    }

private:
    json& file_;
};

// Records each log line in the file's JSON object and passes it on to the
// support library, as an import would log it.
ImportLogSink RecordingSink(json& file) {
    ImportLogSink forward = SupportLibraryLogSink();
    return [&file, forward](const std::string& text, LONG code, const char* where, int level,
                            int flag) {
        file["log"].push_back({{"level", level},
                               {"where", where},
                               {"code", code},
                               {"flag", flag},
                               {"text", AnsiToUtf8(text)}});
        forward(text, code, where, level, flag);
    };
}

json InspectFile(const std::string& path) {
    json file = {{"file", path},       {"events", json::array()},   {"calendars", json::array()},
                 {"failed_events", 0}, {"warnings", json::array()}, {"log", json::array()}};
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        file["error"] = "cannot open the file (error " + std::to_string(GetLastError()) + ")";
        return file;
    }
    ImportLogSink sink = RecordingSink(file);
    std::string text;
    if (!_ReadFile(handle, text, path.c_str(), sink)) {
        file["error"] = "cannot read the file";
        return file;
    }
    InspectConsumer consumer(file);
    CvCalParser parser(consumer, sink);
    parser.FileName = path;
    GetSystemTimeZone(parser.DefaultTimeZone);
    parser.ListSeparator = UserListSeparator();
    file["result"] = parser.Parse(text);
    return file;
}

} // namespace

CLI::App* AddInspectCommand(CLI::App& app, InspectOptions& options) {
    CLI::App* command = app.add_subcommand(
        "inspect", "Show what an import would read from calendar files, as JSON (one object per "
                   "file: events, zone tables, failed events, warnings and log lines)");
    command->add_option("FILE", options.files, "vCalendar (.vcs) or iCalendar (.ics) file")
        ->required();
    return command;
}

int RunInspect(const InspectOptions& options, const std::string& configFolder, std::ostream& out,
               std::ostream& err) {
    RegistryOpen(configFolder, ModuleFolder() + "/machine.json");
    std::unique_ptr<vSyncCharConverter> converter;
    if (g_charConverter == nullptr) {
        converter = std::make_unique<vSyncCharConverter>();
        g_charConverter = converter.get();
    }
    int status = kExitOk;
    for (const std::string& path : options.files) {
        json file = InspectFile(path);
        if (file.contains("error")) {
            err << "quillane: " << path << ": " << file["error"].get<std::string>() << "\n";
            status = kExitItemsFailed;
        }
        out << file.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    }
    if (converter) {
        g_charConverter = nullptr;
    }
    return status;
}
