#include "host/parse_report_json.h"

#include "platform/win32/code_page.h"

using nlohmann::json;

namespace {

std::string ZoneKeyText(const std::string& key) {
    return key == DefaultZoneKey ? "<default zone>" : AnsiToUtf8(key);
}

json DateJson(const std::string& date, const std::string& tzid) {
    return {{"date", AnsiToUtf8(date)}, {"tzid", ZoneKeyText(tzid)}};
}

json SystemTimeJson(const SYSTEMTIME& st) {
    return {{"year", st.wYear},
            {"month", st.wMonth},
            {"day_of_week", st.wDayOfWeek},
            {"day", st.wDay},
            {"hour", st.wHour},
            {"minute", st.wMinute},
            {"second", st.wSecond},
            {"milliseconds", st.wMilliseconds}};
}

json AttendeesJson(const std::vector<EventAttendee>& attendees) {
    json list = json::array();
    for (const EventAttendee& attendee : attendees) {
        list.push_back(
            {{"address", WideToUtf8(attendee.Address)}, {"name", WideToUtf8(attendee.Name)}});
    }
    return list;
}

json ExDatesJson(const std::vector<EventDate>& dates) {
    json list = json::array();
    for (const EventDate& date : dates) {
        list.push_back(DateJson(date.Date, date.Tzid));
    }
    return list;
}

json RDatesJson(const std::vector<RDateEntry>& dates) {
    json list = json::array();
    for (const RDateEntry& date : dates) {
        json entry = DateJson(date.Date, date.Tzid);
        entry["period_end"] = AnsiToUtf8(date.PeriodEnd);
        entry["period_duration"] = AnsiToUtf8(date.PeriodDuration);
        list.push_back(entry);
    }
    return list;
}

json RecurrenceJson(const RecurrenceFields& rule) {
    return {{"rule_type", rule.RuleType},
            {"rule_interval", rule.RuleInterval},
            {"rule_count", rule.RuleCount},
            {"rule_instance", rule.RuleInstance},
            {"rule_until", AnsiToUtf8(rule.RuleUntil)},
            {"rule_day_mask", rule.RuleDayMask},
            {"rule_day_of_month", rule.RuleDayOfMonth},
            {"rule_month", rule.RuleMonth}};
}

} // namespace

std::string AnsiToUtf8(const std::string& text) {
    return WideToUtf8(AnsiToWide(text));
}

std::string WideToUtf8(const std::u16string& text) {
    return WideToMultiByte(CP_UTF8, text).value_or(std::string());
}

json ParsedEventJson(const ParsedEvent& e) {
    json event = {
        {"sensitivity", e.Sensitivity},
        {"importance", e.Importance},
        {"busy_status", e.BusyStatus},
        {"organizer_address", WideToUtf8(e.OrganizerAddress)},
        {"organizer_name", WideToUtf8(e.OrganizerName)},
        {"attendees", AttendeesJson(e.Attendees)},
        {"categories", WideToUtf8(e.Categories)},
        {"description", WideToUtf8(e.Description)},
        {"subject", WideToUtf8(e.Subject)},
        {"location", WideToUtf8(e.Location)},
        {"resources", WideToUtf8(e.Resources)},
        {"alarm_date", AnsiToUtf8(e.AlarmDate)},
        {"alarm_minutes", e.AlarmMinutes},
        {"start", DateJson(e.Start.Date, e.Start.Tzid)},
        {"end", DateJson(e.End.Date, e.End.Tzid)},
        {"duration_minutes", e.DurationMinutes},
        {"uid", AnsiToUtf8(e.Uid)},
        {"ex_dates", ExDatesJson(e.ExDates)},
        {"r_dates", RDatesJson(e.RDates)},
    };
    event.update(RecurrenceJson(e));
    return event;
}

json TimeZoneRuleJson(const TimeZoneRule& rule) {
    return {{"bias", rule.Bias},
            {"standard_bias", rule.StandardBias},
            {"daylight_bias", rule.DaylightBias},
            {"standard_year", rule.StandardYear},
            {"standard_date", SystemTimeJson(rule.StandardDate)},
            {"daylight_year", rule.DaylightYear},
            {"daylight_date", SystemTimeJson(rule.DaylightDate)}};
}

json TimeZoneTableJson(const TimeZoneTable& table) {
    json zones = json::array();
    for (const auto& [key, rule] : table) {
        zones.push_back({{"key", ZoneKeyText(key)}, {"rule", TimeZoneRuleJson(rule)}});
    }
    return zones;
}
