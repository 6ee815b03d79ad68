#include "host/export_request.h"

#include "engine/common/v_sync_char_converter.h"
#include "host/store_json.h"
#include "platform/win32/locale.h"

#include <cstdio>

namespace {

std::string ListSeparator() {
    char separator[8] = {};
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
    return length > 1 ? std::string(separator) : std::string(";");
}

std::string JoinCategories(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ListSeparator()) + name;
    }
    return joined;
}

bool LabelMask(const std::vector<int>& labels, DWORD& mask, std::string& error) {
    for (int label : labels) {
        if (label < 1 || label > 10) {
            error = "labels are numbered 1 to 10, not " + std::to_string(label);
            return false;
        }
        mask |= 1u << (label - 1);
    }
    return true;
}

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

bool DateBound(const std::string& text, COleDateTime& bound, std::string& error) {
    if (text.empty()) {
        return true;
    }
    DATE date = 0;
    if (!ParseLocalDateTime(text, date)) {
        error = "'" + text + "' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS)";
        return false;
    }
    bound = COleDateTime(date);
    return true;
}

void CategoryFilter(const ExportCommandOptions& flags, ExportFilter& filter) {
    if (!flags.excludeCategories.empty()) {
        filter.Flags |= kFilterExcludeCategories;
        filter.Categories = JoinCategories(flags.excludeCategories);
    } else if (!flags.onlyCategories.empty()) {
        filter.Flags |= kFilterOnlyCategories;
        filter.Categories = JoinCategories(flags.onlyCategories);
    }
}

bool LabelFilter(const ExportCommandOptions& flags, ExportFilter& filter, std::string& error) {
    if (!flags.excludeLabels.empty()) {
        filter.Flags |= kFilterExcludeLabels;
        return LabelMask(flags.excludeLabels, filter.LabelMask, error);
    }
    if (!flags.onlyLabels.empty()) {
        filter.Flags |= kFilterOnlyLabels;
        return LabelMask(flags.onlyLabels, filter.LabelMask, error);
    }
    return true;
}

bool BuildFilter(const ExportCommandOptions& flags, ExportFilter& filter, std::string& error) {
    filter = ExportFilter{};
    filter.Flags |= flags.skipAllDay ? kFilterSkipAllDay : 0;
    filter.Flags |= flags.skipPrivate ? kFilterSkipPrivate : 0;
    CategoryFilter(flags, filter);
    if (!flags.after.empty() || !flags.before.empty()) {
        filter.Flags |= kFilterDateRange;
    }
    return LabelFilter(flags, filter, error) && DateBound(flags.after, filter.DateFrom, error) &&
           DateBound(flags.before, filter.DateTo, error);
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
        !BuildFilter(flags, request.filter, error)) {
        return false;
    }
    options.useFilter = request.filter.Flags != 0;
    return true;
}
