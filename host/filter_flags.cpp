#include "host/filter_flags.h"

#include "engine/export/export_filter.h"
#include "engine/import/import_options.h"
#include "host/store_json.h"
#include "platform/win32/locale.h"

#include <CLI/CLI.hpp>

// Both engines read the same filter bits.
static_assert(kFilterSkipAllDay == kSkipAllDay && kFilterSkipPrivate == kSkipPrivate &&
              kFilterExcludeCategories == kSkipListedCategories &&
              kFilterOnlyCategories == kSkipUnlistedCategories &&
              kFilterExcludeLabels == kSkipLabelled && kFilterOnlyLabels == kSkipUnlabelled &&
              kFilterDateRange == kApplyDateRange);

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

bool LabelMask(const std::vector<int>& labels, uint32_t& mask, std::string& error) {
    for (int label : labels) {
        if (label < 1 || label > 10) {
            error = "labels are numbered 1 to 10, not " + std::to_string(label);
            return false;
        }
        mask |= 1u << (label - 1);
    }
    return true;
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

void CategoryChoice(const FilterFlags& flags, FilterChoice& choice) {
    if (!flags.excludeCategories.empty()) {
        choice.Flags |= kFilterExcludeCategories;
        choice.Categories = JoinCategories(flags.excludeCategories);
    } else if (!flags.onlyCategories.empty()) {
        choice.Flags |= kFilterOnlyCategories;
        choice.Categories = JoinCategories(flags.onlyCategories);
    }
}

bool LabelChoice(const FilterFlags& flags, FilterChoice& choice, std::string& error) {
    if (!flags.excludeLabels.empty()) {
        choice.Flags |= kFilterExcludeLabels;
        return LabelMask(flags.excludeLabels, choice.LabelMask, error);
    }
    if (!flags.onlyLabels.empty()) {
        choice.Flags |= kFilterOnlyLabels;
        return LabelMask(flags.onlyLabels, choice.LabelMask, error);
    }
    return true;
}

// A pair of options of which only one may be given.
template <typename T>
void AddExclusivePair(CLI::App& command, const char* first, T& firstValue,
                      const std::string& firstHelp, const char* second, T& secondValue,
                      const std::string& secondHelp) {
    CLI::Option* one = command.add_option(first, firstValue, firstHelp)->delimiter(',');
    command.add_option(second, secondValue, secondHelp)->delimiter(',')->excludes(one);
}

} // namespace

void AddFilterFlags(CLI::App& command, FilterFlags& flags, const FilterHelp& help) {
    const std::string verb = help.verb;
    command.add_flag("--skip-all-day", flags.skipAllDay, "Leave out all-day events");
    command.add_flag("--skip-private", flags.skipPrivate,
                     "Leave out private and confidential events");
    AddExclusivePair(command, "--exclude-categories", flags.excludeCategories,
                     "Leave out events with one of these categories", "--only-categories",
                     flags.onlyCategories, verb + " only events with one of these categories");
    AddExclusivePair(command, "--exclude-labels", flags.excludeLabels,
                     std::string("Leave out events ") + help.labelled +
                         " one of these colour labels (1 to 10)",
                     "--only-labels", flags.onlyLabels,
                     verb + " only events " + help.labelled + " one of these colour labels");
    command.add_option("--after", flags.after,
                       verb + " only events ending after this local date or date-time");
    command.add_option("--before", flags.before,
                       verb + " only events starting before this local date or date-time");
}

bool BuildFilterChoice(const FilterFlags& flags, FilterChoice& choice, std::string& error) {
    choice = FilterChoice{};
    choice.Flags |= flags.skipAllDay ? kFilterSkipAllDay : 0;
    choice.Flags |= flags.skipPrivate ? kFilterSkipPrivate : 0;
    CategoryChoice(flags, choice);
    if (!flags.after.empty() || !flags.before.empty()) {
        choice.Flags |= kFilterDateRange;
    }
    return LabelChoice(flags, choice, error) && DateBound(flags.after, choice.DateFrom, error) &&
           DateBound(flags.before, choice.DateTo, error);
}
