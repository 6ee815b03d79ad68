#include "host/export_request.h"

#include "engine/common/v_sync_char_converter.h"

namespace {

bool Encoding(const std::string& name, std::string& chosen, std::string& error) {
    const std::vector<EncodingEntry>& entries = g_charConverter->Encodings().Entries();
    if (name.empty()) {
        chosen = entries.empty() ? std::string() : entries.front().DisplayName;
        return true;
    }
    for (const EncodingEntry& entry : entries) {
        if (entry.DisplayName == name) {
            chosen = name;
            return true;
        }
    }
    error = "unknown encoding '" + name + "'; known are:";
    for (const EncodingEntry& entry : entries) {
        error += "\n  " + entry.DisplayName;
    }
    return false;
}

bool BuildFilter(const FilterFlags& flags, ExportFilter& filter, std::string& error) {
    FilterChoice choice;
    if (!BuildFilterChoice(flags, choice, error)) {
        return false;
    }
    filter = ExportFilter{choice.Flags, choice.Categories, choice.LabelMask, choice.DateFrom,
                          choice.DateTo};
    return true;
}

} // namespace

bool BuildExportRequest(const ExportCommandOptions& flags, ExportRequest& request,
                        std::string& error) {
    ExportOptions& options = request.options;
    if (flags.format != "ics" && flags.format != "vcs") {
        error = "the format is ics or vcs, not '" + flags.format + "'";
        return false;
    }
    options.format = flags.format == "ics" ? kFormatICalendar20 : kFormatVCalendar10;
    options.outputFolder = flags.to;
    options.oneFile = flags.oneFile;
    options.overwrite = flags.overwrite;
    options.selectedOnly = !flags.selected.empty();
    if (!Encoding(flags.encoding, options.encoding, error) ||
        !BuildFilter(flags.filter, request.filter, error)) {
        return false;
    }
    options.useFilter = request.filter.Flags != 0;
    return true;
}
