// A VTIMEZONE: its STANDARD and DAYLIGHT components become one zone rule,
// registered under the TZID. Outlook's rule holds one yearly transition of
// each kind, so only rules of the n-th weekday of a month are taken.

#include "engine/import/cvcal_parser.h"
#include "engine/import/transition_date.h"

#include <bit>
#include <optional>

namespace {

constexpr const char* kWhere = "ParseVTIMEZONE";

struct ZoneComponent {
    bool daylight = false;
    std::optional<COleDateTime> start;
    std::optional<int> offsetFrom;
    std::optional<int> offsetTo;
    std::optional<SYSTEMTIME> rule; // month, weekday and week
    bool hasUntil = false;
    std::optional<COleDateTime> rdate;
};

// "+hhmm" or "-hhmm" with mm at most 59, in minutes.
bool ParseUtcOffset(std::string_view text, int& minutes) {
    int hours = 0;
    int mins = 0;
    if (text.size() != 5 || (text[0] != '+' && text[0] != '-') ||
        !ParseDigits(text.substr(1, 2), hours) || !ParseDigits(text.substr(3, 2), mins) ||
        mins > 59) {
        return false;
    }
    minutes = (text[0] == '-' ? -1 : 1) * (hours * 60 + mins);
    return true;
}

bool IsOneWeekday(int32_t mask) {
    return mask > 0 && mask <= kAllWeekdays && std::has_single_bit(static_cast<uint32_t>(mask));
}

} // namespace

struct CvCalParser::VTimezoneReader {
    CvCalParser& p;
    std::string tzid;
    std::vector<ZoneComponent> components;

    void ReadZone();
    bool ReadComponent(ZoneComponent& component);
    void ComponentProperty(ZoneComponent& component);
    void Offset(std::optional<int>& offset);
    void Rule(ZoneComponent& component);
    std::optional<COleDateTime> RawDate();
    const ZoneComponent* Latest(bool daylight, int& count) const;
    void Register();
};

void CvCalParser::VTimezoneReader::ReadZone() {
    while (p.Reader.NextProperty()) {
        const std::string& name = p.Reader.Name;
        if (!p.Reader.ReadValue(kEncodingNone)) {
            continue;
        }
        std::string value(p.Reader.ValueTrimmed());
        if (name == "TZID") {
            tzid = value;
        } else if (name == "BEGIN" && (value == "STANDARD" || value == "DAYLIGHT")) {
            ZoneComponent component;
            component.daylight = value == "DAYLIGHT";
            bool zoneEnded = !ReadComponent(component);
            components.push_back(component);
            if (zoneEnded) {
                return;
            }
        } else if (name == "BEGIN") {
            p.LogParseError("skipping unknown grouping -" + value, true, 1);
            p.Reader.FindProperty("END", value.c_str());
        } else if (name == "END" && value == "VTIMEZONE") {
            return;
        }
    }
}

// Reads up to the component's END; false when the zone ended with it (at
// END:VTIMEZONE or the end of the text).
bool CvCalParser::VTimezoneReader::ReadComponent(ZoneComponent& component) {
    const char* ownName = component.daylight ? "DAYLIGHT" : "STANDARD";
    bool zoneGoesOn = false;
    while (p.Reader.NextProperty()) {
        if (p.Reader.Name != "END") {
            ComponentProperty(component);
            continue;
        }
        p.Reader.ReadValue(kEncodingNone);
        std::string value(p.Reader.ValueTrimmed());
        if (value == ownName || value == "VTIMEZONE") {
            zoneGoesOn = value == ownName;
            break;
        }
    }
    if (!component.start || !component.offsetFrom || !component.offsetTo) {
        p.Log("Skipping Invalid VTIMEZONE.COMPONENT", kWhere, 3);
        component.start.reset();
    }
    return zoneGoesOn;
}

void CvCalParser::VTimezoneReader::ComponentProperty(ZoneComponent& component) {
    const std::string& name = p.Reader.Name;
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return;
    }
    if (name == "DTSTART") {
        component.start = RawDate();
    } else if (name == "TZOFFSETFROM") {
        Offset(component.offsetFrom);
    } else if (name == "TZOFFSETTO") {
        Offset(component.offsetTo);
    } else if (name == "RRULE") {
        Rule(component);
    } else if (name == "RDATE") {
        std::optional<COleDateTime> date = RawDate();
        if (date) {
            component.rdate = date;
        }
    } else if (name != "TZNAME") {
        p.LogParseError("Unknown VTIMEZONE.COMPONENT prop", true, 1);
    }
}

std::optional<COleDateTime> CvCalParser::VTimezoneReader::RawDate() {
    std::string value(p.Reader.ValueTrimmed());
    COleDateTime date;
    if (!p.IsValidDate(value, true) || !p.ToDate(value, "", date, kToDateRaw, "") ||
        date.GetStatus() != COleDateTime::valid) {
        return std::nullopt;
    }
    return date;
}

void CvCalParser::VTimezoneReader::Offset(std::optional<int>& offset) {
    std::string value(p.Reader.ValueTrimmed());
    int minutes = 0;
    if (!ParseUtcOffset(value, minutes)) {
        p.Log("Invalid VTIMEZONE.COMPONENT.TZOFFSET -" + value, kWhere, 3);
        offset.reset();
        return;
    }
    offset = minutes;
}

void CvCalParser::VTimezoneReader::Rule(ZoneComponent& component) {
    RecurrenceFields rule;
    RuleMessages messages;
    ParseICalRule(p.Reader.Value, rule, messages);
    p.LogRuleMessages(messages);
    if (rule.RuleType != kRuleYearNth || rule.RuleMonth < 1 || rule.RuleMonth > 12 ||
        rule.RuleInstance < 1 || rule.RuleInstance > 5 || !IsOneWeekday(rule.RuleDayMask)) {
        p.Log("Invalid VTIMEZONE.COMPONENT.RRULE", kWhere, 3);
        component.rule.reset();
        return;
    }
    SYSTEMTIME date{};
    date.wMonth = static_cast<WORD>(rule.RuleMonth);
    date.wDayOfWeek = static_cast<WORD>(std::countr_zero(static_cast<uint32_t>(rule.RuleDayMask)));
    date.wDay = static_cast<WORD>(rule.RuleInstance);
    component.rule = date;
    component.hasUntil = !rule.RuleUntil.empty();
}

// The valid component of one kind with the latest DTSTART, and how many
// valid components of that kind there are.
const ZoneComponent* CvCalParser::VTimezoneReader::Latest(bool daylight, int& count) const {
    const ZoneComponent* latest = nullptr;
    count = 0;
    for (const ZoneComponent& component : components) {
        if (component.daylight != daylight || !component.start) {
            continue;
        }
        ++count;
        if (latest == nullptr || *latest->start < *component.start) {
            latest = &component;
        }
    }
    return latest;
}

namespace {

// The transition date of a component: its rule, or the date of its RDATE,
// at the clock time of its DTSTART.
std::optional<SYSTEMTIME> TransitionOf(const ZoneComponent& component) {
    std::optional<SYSTEMTIME> date = component.rule;
    if (!date && component.rdate) {
        date = TransitionDateOf(*component.rdate);
    }
    if (date) {
        date->wHour = static_cast<WORD>(component.start->GetHour());
        date->wMinute = static_cast<WORD>(component.start->GetMinute());
        date->wSecond = static_cast<WORD>(component.start->GetSecond());
        date->wMilliseconds = 0;
        date->wYear = 0;
    }
    return date;
}

} // namespace

void CvCalParser::VTimezoneReader::Register() {
    int standardCount = 0;
    int daylightCount = 0;
    const ZoneComponent* standard = Latest(false, standardCount);
    const ZoneComponent* daylight = Latest(true, daylightCount);
    if (tzid.empty()) {
        p.Log("Bad VTIMEZONE - no TZID", kWhere, 3);
        return;
    }
    if (standard == nullptr) {
        p.Log("Bad VTIMEZONE - no or invalid STANDARD component", kWhere, 3);
        return;
    }
    if (standardCount > 1 || daylightCount > 1) {
        p.Log("Outlook is not supported VTIMEZONE with more than one STANDARD or DAYLIGHT "
              "components",
              kWhere, 2);
    }
    if (standard->hasUntil) {
        p.Log("Ignoring UNTIL in VTIMEZONE.STANDARD.RRULE", kWhere, 2);
    }
    if (daylight && daylight->hasUntil) {
        p.Log("Ignoring UNTIL in VTIMEZONE.DAYLIGHT.RRULE", kWhere, 2);
    }
    TimeZoneRule zone{};
    zone.Bias = -*standard->offsetTo;
    zone.DaylightBias = daylight ? *standard->offsetTo - *daylight->offsetTo : 0;
    std::optional<SYSTEMTIME> standardDate = TransitionOf(*standard);
    std::optional<SYSTEMTIME> daylightDate = daylight ? TransitionOf(*daylight) : std::nullopt;
    if (standardDate) {
        zone.StandardDate = *standardDate;
    }
    if (standardDate && daylightDate) {
        zone.DaylightDate = *daylightDate;
    }
    p.TimeZones[tzid] = zone;
}

bool CvCalParser::ParseVTIMEZONE() {
    VTimezoneReader reader{*this, {}, {}};
    reader.ReadZone();
    reader.Register();
    return true;
}
