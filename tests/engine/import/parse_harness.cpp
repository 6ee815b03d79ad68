#include "tests/engine/import/parse_harness.h"

#include "platform/win32/code_page.h"
#include "platform/win32/files.h"

namespace {

class RecordingConsumer : public ParsedEventConsumer {
public:
    RecordingConsumer(ParseRun& run, int abortAt) : run_(run), abortAt_(abortAt) {}

    int AddEvent(CvCalParser& parser) override {
        run_.events.push_back(parser.Event);
        run_.eventVersions.push_back(parser.Version);
        return static_cast<int>(run_.events.size()) == abortAt_ ? -1 : 0;
    }
    void EventFailed(CvCalParser&) override { ++run_.failed; }
    void CalendarEnded(CvCalParser& parser) override { run_.calendars.push_back(parser.TimeZones); }
    void ShowWarning(const std::string& title, const std::string& text) override {
        run_.warnings.push_back(title + ": " + text);
    }

private:
    ParseRun& run_;
    int abortAt_;
};

std::string ZoneText(const std::string& key) {
    return key == DefaultZoneKey ? "<default>" : key;
}

std::string DateText(const std::string& date, const std::string& zone) {
    return date + "@" + ZoneText(zone);
}

} // namespace

std::vector<std::string> ParseRun::LogTexts() const {
    std::vector<std::string> texts;
    for (const LoggedLine& line : log) {
        texts.push_back(std::to_string(line.level) + " " + line.text);
    }
    return texts;
}

ParseRun ParseText(const std::string& text, const ParseSetup& setup) {
    ParseRun run;
    RecordingConsumer consumer(run, setup.abortAtEvent);
    CvCalParser parser(
        consumer, [&run](const std::string& line, LONG, const char* where, int level, int flag) {
            run.log.push_back({line, where, level, flag});
        });
    parser.FileName = setup.fileName;
    parser.DefaultTimeZone = setup.defaultZone;
    parser.ListSeparator = setup.listSeparator;
    run.result = parser.Parse(text);
    return run;
}

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string Utf8(const std::u16string& text) {
    return WideToMultiByte(CP_UTF8, text).value_or("<unconvertible>");
}

std::map<std::string, std::string> EventFields(const ParsedEvent& e) {
    std::string attendees;
    for (const EventAttendee& attendee : e.Attendees) {
        attendees +=
            (attendees.empty() ? "" : ",") + Utf8(attendee.Address) + "|" + Utf8(attendee.Name);
    }
    std::string exDates;
    for (const EventDate& date : e.ExDates) {
        exDates += (exDates.empty() ? "" : ",") + DateText(date.Date, date.Tzid);
    }
    std::string rDates;
    for (const RDateEntry& date : e.RDates) {
        rDates += (rDates.empty() ? "" : ",") + DateText(date.Date, date.Tzid) + "/" +
                  date.PeriodEnd + "/" + date.PeriodDuration;
    }
    return {
        {"Sensitivity", std::to_string(e.Sensitivity)},
        {"Importance", std::to_string(e.Importance)},
        {"BusyStatus", std::to_string(e.BusyStatus)},
        {"OrganizerAddress", Utf8(e.OrganizerAddress)},
        {"OrganizerName", Utf8(e.OrganizerName)},
        {"Attendees", attendees},
        {"Categories", Utf8(e.Categories)},
        {"Description", Utf8(e.Description)},
        {"Subject", Utf8(e.Subject)},
        {"Location", Utf8(e.Location)},
        {"Resources", Utf8(e.Resources)},
        {"AlarmDate", e.AlarmDate},
        {"AlarmMinutes", std::to_string(e.AlarmMinutes)},
        {"Start", DateText(e.Start.Date, e.Start.Tzid)},
        {"End", DateText(e.End.Date, e.End.Tzid)},
        {"DurationMinutes", std::to_string(e.DurationMinutes)},
        {"Uid", e.Uid},
        {"RuleType", std::to_string(e.RuleType)},
        {"RuleInterval", std::to_string(e.RuleInterval)},
        {"RuleCount", std::to_string(e.RuleCount)},
        {"RuleInstance", std::to_string(e.RuleInstance)},
        {"RuleUntil", e.RuleUntil},
        {"RuleDayMask", std::to_string(e.RuleDayMask)},
        {"RuleDayOfMonth", std::to_string(e.RuleDayOfMonth)},
        {"RuleMonth", std::to_string(e.RuleMonth)},
        {"ExDates", exDates},
        {"RDates", rDates},
    };
}
