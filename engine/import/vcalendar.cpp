// The calendar level: VERSION, PRODID, the vCalendar 1.0 zone properties and
// the components inside a VCALENDAR.

#include "engine/import/cvcal_parser.h"
#include "engine/import/transition_date.h"

namespace {

// Offsets beyond this many minutes are taken as unreadable.
constexpr long long kMaxOffsetMinutes = 1000000;

// "%d:%d": signed hours, then optional minutes that take the sign of the
// hours ("-3:30" is -210).
bool ParseHoursMinutes(std::string_view text, int& minutes) {
    text = TrimView(text);
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        text.remove_prefix(1);
    }
    size_t colon = text.find(':');
    std::string_view hoursText = text.substr(0, colon);
    size_t hoursEnd = hoursText.find_first_not_of("0123456789");
    int hours = 0;
    if (!ParseDigits(hoursText.substr(0, hoursEnd), hours)) {
        return false;
    }
    long long total = static_cast<long long>(hours) * 60;
    if (colon != std::string_view::npos && hoursEnd == std::string_view::npos) {
        std::string_view rest = text.substr(colon + 1);
        total += LeadingNumber(rest.substr(0, rest.find_first_not_of("0123456789")));
    }
    if (total > kMaxOffsetMinutes) {
        return false;
    }
    minutes = static_cast<int>(negative ? -total : total);
    return true;
}

} // namespace

struct CvCalParser::VCalendarProperties {
    // 1 to go on, 0 at END:VCALENDAR, -1 to abort the run.
    static int Handle(CvCalParser& parser);
    static int Version(CvCalParser& parser);
    static void Daylight(CvCalParser& parser);
    static void Tz(CvCalParser& parser);
    static int Begin(CvCalParser& parser);
    static TimeZoneRule StoredVCalZone(CvCalParser& parser);
};

int CvCalParser::VCalendarProperties::Handle(CvCalParser& parser) {
    const std::string& name = parser.Reader.Name;
    bool vcal = parser.Version == kVersionVCal10;
    bool ical = parser.Version == kVersionICal20;
    if (!parser.Reader.ReadValue(kEncodingNone)) {
        return 1;
    }
    if (name == "BEGIN") {
        return Begin(parser); // the most frequent: one per component
    }
    if (name == "VERSION") {
        return Version(parser);
    }
    if (ical && (name == "CALSCALE" || name == "METHOD")) {
        return 1;
    }
    if (vcal && name == "DAYLIGHT") {
        Daylight(parser);
    } else if (name == "PRODID") {
        parser.ProdId = parser.Reader.ValueTrimmed();
    } else if (vcal && name == "TZ") {
        Tz(parser);
    } else if (name == "END") {
        return parser.Reader.ValueTrimmed() == "VCALENDAR" ? 0 : 1;
    } else {
        parser.LogParseError("Unknown VCALENDAR prop", true, 1);
    }
    return 1;
}

int CvCalParser::VCalendarProperties::Version(CvCalParser& parser) {
    std::string_view value = parser.Reader.ValueTrimmed();
    if (value == "1.0") {
        parser.Version = kVersionVCal10;
    } else if (value == "2.0") {
        parser.Version = kVersionICal20;
    } else {
        parser.LogParseError("Unknown version", true, 2);
        return -1;
    }
    return 1;
}

TimeZoneRule CvCalParser::VCalendarProperties::StoredVCalZone(CvCalParser& parser) {
    auto stored = parser.TimeZones.find(kVCal10ZoneKey);
    return stored != parser.TimeZones.end() ? stored->second : TimeZoneRule{};
}

void CvCalParser::VCalendarProperties::Daylight(CvCalParser& parser) {
    std::vector<std::string> parts;
    parser.Reader.SplitValue(";", parts);
    if (parts.size() < 4 || !EqualsIgnoringCase(Trim(parts[0]), "TRUE")) {
        return;
    }
    int offset = 0;
    COleDateTime start;
    COleDateTime end;
    if (!ParseHoursMinutes(parts[1], offset) ||
        !parser.ToDate(Trim(parts[2]), "", start, kToDateRaw, "") ||
        !parser.ToDate(Trim(parts[3]), "", end, kToDateRaw, "") ||
        start.GetStatus() != COleDateTime::valid || end.GetStatus() != COleDateTime::valid) {
        parser.Log("Invalid Daylight Savings Rule:" + parser.Reader.Value, "ParseVCALENDAR", 3);
        return;
    }
    TimeZoneRule zone = StoredVCalZone(parser);
    zone.DaylightBias = -offset - zone.Bias;
    zone.DaylightDate = TransitionDateOf(start);
    zone.StandardDate = TransitionDateOf(end);
    parser.TimeZones[kVCal10ZoneKey] = zone;
}

void CvCalParser::VCalendarProperties::Tz(CvCalParser& parser) {
    int offset = 0;
    if (!ParseHoursMinutes(parser.Reader.Value, offset)) {
        return;
    }
    int bias = -offset;
    TimeZoneRule zone = StoredVCalZone(parser);
    if (zone.DaylightBias != 0) {
        zone.DaylightBias = zone.DaylightBias + zone.Bias - bias;
        zone.StandardBias = 0;
    }
    zone.Bias = bias;
    parser.TimeZones[kVCal10ZoneKey] = zone;
}

int CvCalParser::VCalendarProperties::Begin(CvCalParser& parser) {
    std::string component(parser.Reader.ValueTrimmed());
    bool ical = parser.Version == kVersionICal20;
    if (component == "VEVENT") {
        if (parser.ParseVEVENT() && parser.consumer_.AddEvent(parser) < 0) {
            return -1;
        }
        return 1;
    }
    if (ical && component == "VTIMEZONE") {
        parser.ParseVTIMEZONE();
        return 1;
    }
    bool known =
        component == "VTODO" || (ical && (component == "VJOURNAL" || component == "VFREEBUSY"));
    if (!known) {
        parser.LogParseError("skipping unknown grouping -" + component, true, 1);
    }
    parser.Reader.FindProperty("END", component.c_str());
    return 1;
}

int CvCalParser::ParseVCALENDAR() {
    BeginCalendar();
    int result = 1;
    while (result > 0 && Reader.NextProperty()) {
        result = StopRequested() ? -1 : VCalendarProperties::Handle(*this);
    }
    if (result >= 0) {
        consumer_.CalendarEnded(*this);
    }
    return result < 0 ? -1 : 0;
}
