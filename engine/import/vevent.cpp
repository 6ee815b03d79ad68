// The properties of a VEVENT: one small handler per property, found through
// a table in which rows may hold for one calendar version only.

#include "engine/import/cvcal_parser.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace {

using PropertyHandler = bool (*)(CvCalParser&);

enum VersionMask { kVCalOnly = 1, kICalOnly = 2, kBothVersions = 3 };

struct PropertyRow {
    std::string_view name;
    int versions;
    PropertyHandler handler;
};

// The handlers of one calendar version, found by the name's first character and
// then its length and text: a handful of comparisons per property.
class PropertyTable {
public:
    PropertyTable(std::span<const PropertyRow> rows, int mask) {
        for (const PropertyRow& row : rows) {
            if ((row.versions & mask) != 0) {
                byLetter_[Letter(row.name)].push_back(row);
            }
        }
    }

    PropertyHandler Find(std::string_view name) const {
        if (name.empty()) {
            return nullptr;
        }
        for (const PropertyRow& row : byLetter_[Letter(name)]) {
            if (SameName(row.name, name)) {
                return row.handler;
            }
        }
        return nullptr;
    }

private:
    // Names are short: comparing them in place is cheaper than a call.
    static bool SameName(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (size_t i = a.size(); i-- > 0;) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }

    static size_t Letter(std::string_view name) {
        return static_cast<unsigned char>(name[0]) % kBuckets;
    }

    static constexpr size_t kBuckets = 32;
    std::array<std::vector<PropertyRow>, kBuckets> byLetter_;
};

} // namespace

struct CvCalParser::VEventProperties {
    static bool Ignore(CvCalParser&) { return true; }
    static bool AttendeeVCal(CvCalParser& p);
    static bool AttendeeICal(CvCalParser& p);
    static bool Organizer(CvCalParser& p);
    static bool Categories(CvCalParser& p);
    static bool Class(CvCalParser& p);
    static bool Description(CvCalParser& p);
    static bool DAlarm(CvCalParser& p);
    static bool DtEnd(CvCalParser& p);
    static bool DtStart(CvCalParser& p);
    static bool Duration(CvCalParser& p);
    static bool ExDate(CvCalParser& p);
    static bool Location(CvCalParser& p);
    static bool Priority(CvCalParser& p);
    static bool RelatedTo(CvCalParser& p);
    static bool RDate(CvCalParser& p);
    static bool RRule(CvCalParser& p);
    static bool Resources(CvCalParser& p);
    static bool Summary(CvCalParser& p);
    static bool Transp(CvCalParser& p);
    static bool Uid(CvCalParser& p);
    static bool ExRule(CvCalParser& p);
    static bool Begin(CvCalParser& p);
    static bool End(CvCalParser& p);
    static bool Dispatch(CvCalParser& p);

    static std::string PropertyZone(CvCalParser& p, bool* periods);
    static void DateProperty(CvCalParser& p, EventDate& date);
    static std::string AddressWithoutMailto(CvCalParser& p);
    static void DecodeText(CvCalParser& p, bool logParams, bool unescape, std::u16string& out);
    static void DateList(CvCalParser& p, std::vector<std::string>& items, std::string& zone,
                         bool* periods);
    static const PropertyTable& Table(int version);
};

const PropertyTable& CvCalParser::VEventProperties::Table(int version) {
    static const PropertyRow kRows[] = {
        {"ATTACH", kBothVersions, Ignore},
        {"ATTENDEE", kVCalOnly, AttendeeVCal},
        {"ATTENDEE", kICalOnly, AttendeeICal},
        {"ORGANIZER", kICalOnly, Organizer},
        {"AALARM", kVCalOnly, Ignore},
        {"CATEGORIES", kBothVersions, Categories},
        {"CLASS", kBothVersions, Class},
        {"COMMENT", kICalOnly, Ignore},
        {"CONTACT", kICalOnly, Ignore},
        {"CREATED", kICalOnly, Ignore},
        {"DCREATED", kVCalOnly, Ignore},
        {"DESCRIPTION", kBothVersions, Description},
        {"DALARM", kVCalOnly, DAlarm},
        {"DTEND", kBothVersions, DtEnd},
        {"DTSTAMP", kICalOnly, Ignore},
        {"DTSTART", kBothVersions, DtStart},
        {"DURATION", kICalOnly, Duration},
        {"EXDATE", kBothVersions, ExDate},
        {"GEO", kICalOnly, Ignore},
        {"LAST-MODIFIED", kBothVersions, Ignore},
        {"LOCATION", kBothVersions, Location},
        {"MALARM", kVCalOnly, Ignore},
        {"PRIORITY", kBothVersions, Priority},
        {"PALARM", kBothVersions, Ignore},
        {"RELATED-TO", kBothVersions, RelatedTo},
        {"RDATE", kBothVersions, RDate},
        {"RRULE", kBothVersions, RRule},
        {"RESOURCES", kBothVersions, Resources},
        {"REQUEST-STATUS", kICalOnly, Ignore},
        {"SEQUENCE", kBothVersions, Ignore},
        {"STATUS", kBothVersions, Ignore},
        {"SUMMARY", kBothVersions, Summary},
        {"TRANSP", kBothVersions, Transp},
        {"UID", kBothVersions, Uid},
        {"URL", kBothVersions, Ignore},
        {"EXRULE", kBothVersions, ExRule},
        {"BEGIN", kBothVersions, Begin},
        {"END", kBothVersions, End},
    };
    static const PropertyTable kVCalTable(kRows, kVCalOnly);
    static const PropertyTable kICalTable(kRows, kICalOnly);
    return version == kVersionICal20 ? kICalTable : kVCalTable;
}

bool CvCalParser::VEventProperties::Dispatch(CvCalParser& p) {
    if (PropertyHandler handler = Table(p.Version).Find(p.Reader.Name)) {
        return handler(p);
    }
    if (p.Reader.Name.starts_with("X-")) {
        if (p.Version == kVersionICal20 && p.Reader.Name == "X-MICROSOFT-CDO-IMPORTANCE" &&
            p.Reader.ReadValue(kEncodingNone)) {
            bool error = false;
            p.Event.Importance = p.Reader.ValueAsNumber(kImportanceNormal, error);
        }
        return true;
    }
    p.LogParseError("Unknown VEVENT Prop", true, 1);
    return true;
}

bool CvCalParser::ParseVEVENT() {
    Event = ParsedEvent{};
    while (Reader.NextProperty()) {
        ResetPropertyDecoding();
        if (!VEventProperties::Dispatch(*this)) {
            break;
        }
    }
    if (Event.Start.Date.empty() && Event.End.Date.empty()) {
        Log("No START and END - skipping event", "ParseVEVENT", 2);
        consumer_.EventFailed(*this);
        return false;
    }
    FinishEvent();
    return true;
}

void CvCalParser::FinishEvent() {
    if (Event.Start.Date.empty()) {
        Event.Start = Event.End;
    }
    auto settle = [this](std::string& tzid) {
        if (tzid.empty() || !TimeZones.contains(tzid)) {
            tzid = DefaultZoneKey;
        }
    };
    settle(Event.Start.Tzid);
    settle(Event.End.Tzid);
    for (EventDate& date : Event.ExDates) {
        settle(date.Tzid);
    }
    for (RDateEntry& date : Event.RDates) {
        settle(date.Tzid);
    }
}

// Participants.

std::string CvCalParser::VEventProperties::AddressWithoutMailto(CvCalParser& p) {
    std::string_view value = p.Reader.ValueTrimmed();
    if (value.starts_with("MAILTO:")) {
        value.remove_prefix(7);
    } else if (!value.empty()) {
        p.LogParseError("prop value has no \"MAILTO:\"", true, 1);
    }
    return std::string(value);
}

bool CvCalParser::VEventProperties::AttendeeVCal(CvCalParser& p) {
    bool organizer = false;
    while (p.Reader.NextParam(false)) {
        if (p.Reader.ParamName == "ROLE") {
            if (p.Reader.ParamValue == "ORGANIZER" || p.Reader.ParamValue == "ATTENDEE") {
                organizer = p.Reader.ParamValue == "ORGANIZER";
            } else {
                p.LogParseError("Ignoring ATTENDEE.ROLE", true, 1);
            }
        } else if (!p.ParseEncodingParam()) {
            p.LogParseError("Ignoring ATTENDEE." + p.Reader.ParamName + "=" + p.Reader.ParamValue,
                            false, 1);
        }
    }
    if (!p.Reader.ReadValue(p.Encoding)) {
        return true;
    }
    std::u16string value;
    p.DecodeValue(p.Reader.Value, kCurrentEncoding, nullptr, false, value);
    if (organizer) {
        p.Event.OrganizerAddress = value;
    } else if (!value.empty()) {
        p.Event.Attendees.push_back({value, {}});
    }
    return true;
}

bool CvCalParser::VEventProperties::AttendeeICal(CvCalParser& p) {
    std::u16string name;
    while (p.Reader.NextParam(true)) {
        const std::string& param = p.Reader.ParamName;
        const std::string& value = p.Reader.ParamValue;
        if (param == "ROLE") {
            if (value != "REQ-PARTICIPANT" && value != "OPT-PARTICIPANT" &&
                value != "NON-PARTICIPANT") {
                p.LogParseError("Ignoring ATTENDEE.ROLE", true, 1);
            }
        } else if (param == "CN") {
            p.DecodeValue(p.Reader.ParamValueUnquoted(), kEncodingNone, "UTF-8", false, name);
        } else if (param != "RSVP" && !p.ParseEncodingParam()) {
            p.LogParseError("Ignoring ATTENDEE." + param + "=" + value, false, 1);
        }
    }
    if (!p.Reader.ReadValue(p.Encoding)) {
        return true;
    }
    std::u16string address;
    p.DecodeValue(AddressWithoutMailto(p), kCurrentEncoding, nullptr, false, address);
    if (!address.empty()) {
        p.Event.Attendees.push_back({address, name});
    }
    return true;
}

bool CvCalParser::VEventProperties::Organizer(CvCalParser& p) {
    while (p.Reader.NextParam(true)) {
        if (p.Reader.ParamName == "CN") {
            p.DecodeValue(p.Reader.ParamValueUnquoted(), kEncodingNone, "UTF-8", false,
                          p.Event.OrganizerName);
        } else if (!p.ParseEncodingParam()) {
            p.LogParseError("Ignoring ORGANIZER." + p.Reader.ParamName + "=" + p.Reader.ParamValue,
                            false, 1);
        }
    }
    if (p.Reader.ReadValue(p.Encoding)) {
        p.DecodeValue(AddressWithoutMailto(p), kEncodingNone, nullptr, false,
                      p.Event.OrganizerAddress);
    }
    return true;
}

// Texts.

void CvCalParser::VEventProperties::DecodeText(CvCalParser& p, bool logParams, bool unescape,
                                               std::u16string& out) {
    p.ParseParams(logParams);
    if (p.Reader.ReadValue(p.Encoding)) {
        p.DecodeValue(p.Reader.Value, kCurrentEncoding, nullptr, unescape, out);
    }
}

bool CvCalParser::VEventProperties::Categories(CvCalParser& p) {
    DecodeText(p, false, true, p.Event.Categories);
    char16_t separator = p.Version == kVersionICal20 ? u',' : u';';
    std::u16string& text = p.Event.Categories;
    if (p.ListSeparator.size() == 1) {
        std::replace(text.begin(), text.end(), separator, p.ListSeparator[0]);
        return true;
    }
    std::u16string categories;
    for (char16_t c : text) {
        if (c == separator) {
            categories += p.ListSeparator;
        } else {
            categories += c;
        }
    }
    text = std::move(categories);
    return true;
}

bool CvCalParser::VEventProperties::Description(CvCalParser& p) {
    DecodeText(p, false, true, p.Event.Description);
    return true;
}

bool CvCalParser::VEventProperties::Location(CvCalParser& p) {
    DecodeText(p, true, true, p.Event.Location);
    return true;
}

bool CvCalParser::VEventProperties::Resources(CvCalParser& p) {
    DecodeText(p, true, false, p.Event.Resources);
    return true;
}

bool CvCalParser::VEventProperties::Summary(CvCalParser& p) {
    DecodeText(p, false, true, p.Event.Subject);
    return true;
}

// States.

bool CvCalParser::VEventProperties::Class(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    std::string_view value = p.Reader.ValueTrimmed();
    if (value == "CONFIDENTIAL") {
        p.Event.Sensitivity = kSensitivityConfidential;
    } else if (value == "PRIVATE") {
        p.Event.Sensitivity = kSensitivityPrivate;
    }
    return true;
}

bool CvCalParser::VEventProperties::Priority(CvCalParser& p) {
    bool vcal = p.Version == kVersionVCal10;
    int low = vcal ? 3 : 5;
    int high = vcal ? 5 : 9;
    bool error = false;
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    int priority = p.Reader.ValueAsNumber(low, error);
    if (priority >= 1) {
        p.Event.Importance = priority < low    ? kImportanceHigh
                             : priority < high ? kImportanceNormal
                                               : kImportanceLow;
    }
    return true;
}

bool CvCalParser::VEventProperties::Transp(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    if (p.Version == kVersionVCal10) {
        bool error = false;
        p.Event.BusyStatus = p.Reader.ValueAsNumber(0, error) == 0 ? kBusyBusy : kBusyFree;
        return true;
    }
    std::string value = UpperAscii(p.Reader.ValueTrimmed());
    if (value == "TRANSPARENT") {
        p.Event.BusyStatus = kBusyFree;
    } else if (value == "OPAQUE") {
        p.Event.BusyStatus = kBusyBusy;
    } else {
        p.LogParseError("Invalid value", true, 2);
    }
    return true;
}

bool CvCalParser::VEventProperties::Uid(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    p.Event.Uid = p.Reader.Value;
    return true;
}

bool CvCalParser::VEventProperties::RelatedTo(CvCalParser& p) {
    p.LogParseError("Ingnoring:", true, 1);
    return true;
}

bool CvCalParser::VEventProperties::ExRule(CvCalParser& p) {
    p.LogParseError("Exception Rule not supported", true, 2);
    return true;
}

// Dates.

std::string CvCalParser::VEventProperties::PropertyZone(CvCalParser& p, bool* periods) {
    if (p.Version != kVersionICal20) {
        return kVCal10ZoneKey;
    }
    std::string zone;
    while (p.Reader.NextParam(true)) {
        if (p.Reader.ParamName == "TZID") {
            zone = p.Reader.ParamValueUnquoted();
        } else if (periods && p.Reader.ParamName == "VALUE" &&
                   EqualsIgnoringCase(TrimView(p.Reader.ParamValue), "PERIOD")) {
            *periods = true;
        }
    }
    return zone;
}

// Takes the property's date-time and zone into date when the value is a
// date-time; date stays as it was otherwise.
void CvCalParser::VEventProperties::DateProperty(CvCalParser& p, EventDate& date) {
    std::string zone = PropertyZone(p, nullptr);
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return;
    }
    std::string_view value = p.Reader.ValueTrimmed();
    if (!p.IsValidDate(value, true)) {
        return;
    }
    date.Date.assign(value);
    date.Tzid.assign(zone);
}

bool CvCalParser::VEventProperties::DtStart(CvCalParser& p) {
    DateProperty(p, p.Event.Start);
    return true;
}

bool CvCalParser::VEventProperties::DtEnd(CvCalParser& p) {
    DateProperty(p, p.Event.End);
    return true;
}

bool CvCalParser::VEventProperties::Duration(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    int minutes = 0;
    if (!ParseDuration(p.Reader.ValueTrimmed(), minutes) || minutes < 0) {
        p.LogParseError("Invalid duration", true, 2);
        minutes = kNoDuration;
    }
    p.Event.DurationMinutes = minutes;
    return true;
}

bool CvCalParser::VEventProperties::DAlarm(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    std::string first = Trim(std::string_view(p.Reader.Value).substr(0, p.Reader.Value.find(';')));
    p.Event.AlarmDate = p.IsValidDate(first, true) ? first : std::string();
    return true;
}

void CvCalParser::VEventProperties::DateList(CvCalParser& p, std::vector<std::string>& items,
                                             std::string& zone, bool* periods) {
    zone = PropertyZone(p, periods);
    items.clear();
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return;
    }
    p.Reader.SplitValue(p.Version == kVersionICal20 ? "," : ";", items);
    for (std::string& item : items) {
        item = Trim(item);
    }
}

bool CvCalParser::VEventProperties::ExDate(CvCalParser& p) {
    std::vector<std::string> items;
    std::string zone;
    DateList(p, items, zone, nullptr);
    for (const std::string& item : items) {
        if (p.IsValidDate(item, true)) {
            p.Event.ExDates.push_back({item, zone});
        }
    }
    return true;
}

bool CvCalParser::VEventProperties::RDate(CvCalParser& p) {
    std::vector<std::string> items;
    std::string zone;
    bool periods = false;
    DateList(p, items, zone, &periods);
    for (const std::string& item : items) {
        PeriodText period;
        if (periods && p.ParsePeriod(item, period, true)) {
            p.Event.RDates.push_back({period.Start, zone, period.End, period.Duration});
        } else if (!periods && p.IsValidDate(item, true)) {
            p.Event.RDates.push_back({item, zone, {}, {}});
        }
    }
    return true;
}

bool CvCalParser::VEventProperties::RRule(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    RuleMessages messages;
    if (p.Version == kVersionICal20) {
        ParseICalRule(p.Reader.Value, p.Event, messages);
    } else {
        ParseVCalRule(p.Reader.Value, p.Event, messages);
    }
    p.LogRuleMessages(messages);
    return true;
}

// Structure.

bool CvCalParser::VEventProperties::Begin(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    std::string component(p.Reader.ValueTrimmed());
    if (component == "VALARM") {
        p.ParseVALARM();
        return true;
    }
    p.LogParseError("skipping unknown grouping", true, 1);
    p.Reader.FindProperty("END", component.c_str());
    return true;
}

bool CvCalParser::VEventProperties::End(CvCalParser& p) {
    if (!p.Reader.ReadValue(kEncodingNone)) {
        return true;
    }
    return p.Reader.ValueTrimmed() != "VEVENT";
}
