#include "engine/export/event_writer.h"

#include "engine/common/outlook_constants.h"
#include "engine/export/export_options.h"
#include "engine/export/ical_date_time.h"
#include "engine/export/recurrence_writer.h"

#include <chrono>
#include <cmath>
#include <iterator>

namespace {

// What every property handler needs of the event being written.
struct EventContext {
    const EventSource& source;
    const std::string& uid;
    TextBuffer& out;
    bool vcal;   // vCalendar 1.0, else iCalendar 2.0
    bool zoned;  // times in the item's own zone
    bool allDay; // dates without time (iCalendar 2.0 only)

    _AppointmentItem& Item() const { return *source.item; }
    // Appends the parts and the line end, without joining them first.
    template <class... Parts>
    void Line(const Parts&... parts) const {
        (out.Append(std::string_view(parts)), ...);
        out.Append("\r\n");
    }
};

// The value quoted-printable in vCalendar 1.0 and escaped in iCalendar 2.0,
// in the scratch storage (valid until the next call).
std::string_view Encoded(const EventContext& c, std::string_view value) {
    std::string& encoded = c.source.scratch.encoded;
    encoded.clear();
    if (c.vcal) {
        vSyncCharConverter::QPEncode(value, encoded);
    } else {
        vSyncCharConverter::Escape(value, encoded);
    }
    return encoded;
}

// NAME + charset + the value in the export's character set, encoded.
void WideTextProperty(const EventContext& c, std::string_view name, std::u16string_view value) {
    if (value.empty()) {
        return;
    }
    std::string& converted = c.source.scratch.converted;
    c.source.ToExportCharset(value, converted);
    c.out.Append(name);
    c.out.Append(c.source.charsetParam);
    c.Line(c.vcal ? ";ENCODING=QUOTED-PRINTABLE:" : ":", Encoded(c, converted));
}

std::u16string Field(ISafeAppointmentItem& safe, LONG tag) {
    _variant_t value = safe.GetFields(tag);
    return value.Type() == VT_BSTR ? value.ToString() : std::u16string();
}

// Addresses in the export's charset in vCalendar 1.0, in UTF-8 otherwise.
void ToAddress(const EventContext& c, std::u16string_view address, std::string& out) {
    if (c.vcal) {
        c.source.ToExportCharset(address, out);
    } else {
        c.source.ToUtf8(address, out);
    }
}

std::string_view RoleOf(LONG type) {
    switch (type) {
    case olRequired:
        return "REQ-PARTICIPANT";
    case olOptional:
        return "OPT-PARTICIPANT";
    case olResource:
        return "NON-PARTICIPANT";
    default:
        return "";
    }
}

// A name as a parameter value in UTF-8, in the scratch storage.
std::string_view ParameterName(const EventContext& c, std::u16string_view name) {
    std::string& converted = c.source.scratch.converted;
    c.source.ToUtf8(vSyncCharConverter::CleanParameterValue(name), converted);
    return converted;
}

void WriteOrganizer(const EventContext& c, const std::string& address) {
    if (address.empty()) {
        return;
    }
    if (c.vcal) {
        c.Line("ATTENDEE;ROLE=ORGANIZER;ENCODING=QUOTED-PRINTABLE:", Encoded(c, address));
        return;
    }
    std::string_view name = ParameterName(c, Field(c.source.Safe(), PR_SENDER_NAME));
    c.Line("ORGANIZER;CN=\"", name, "\":MAILTO:", Encoded(c, address));
}

void WriteAttendee(const EventContext& c, ISafeRecipient& recipient, const std::string& organizer) {
    LONG type = recipient.GetType();
    std::string& address = c.source.scratch.address;
    ToAddress(c, recipient.GetAddress(), address);
    if (address.empty() || type == olOrganizer || address == organizer) {
        return;
    }
    if (c.vcal) {
        c.Line("ATTENDEE;ROLE=ATTENDEE;ENCODING=QUOTED-PRINTABLE:", Encoded(c, address));
        return;
    }
    std::string_view name = ParameterName(c, recipient.GetName());
    c.Line("ATTENDEE;CN=\"", name, "\";ROLE=", RoleOf(type), ":MAILTO:", Encoded(c, address));
}

void WriteAttendees(const EventContext& c) {
    if (c.Item().GetMeetingStatus() == olNonMeeting) {
        return;
    }
    std::string organizer;
    ToAddress(c, Field(c.source.Safe(), PR_SENDER_EMAIL_ADDRESS), organizer);
    WriteOrganizer(c, organizer);
    CComPtr<ISafeRecipients> recipients = c.source.Safe().GetRecipients();
    LONG count = recipients->GetCount();
    for (LONG i = 1; i <= count; ++i) {
        WriteAttendee(c, *recipients->Item(_variant_t(i, VT_INT)), organizer);
    }
}

void WriteCategories(const EventContext& c) {
    std::u16string categories = c.Item().GetCategories();
    if (categories.empty()) {
        return;
    }
    const std::u16string& separator = c.source.listSeparator;
    const char16_t joiner = c.vcal ? u';' : u',';
    if (separator.size() == 1 && separator[0] == joiner) {
        // The user's separator is the format's: the text stays as it is.
        WideTextProperty(c, "CATEGORIES", categories);
        return;
    }
    std::u16string& joined = c.source.scratch.wide;
    joined.clear();
    for (std::size_t at = 0; at < categories.size();) {
        if (!separator.empty() && categories.compare(at, separator.size(), separator) == 0) {
            joined += joiner;
            at += separator.size();
        } else {
            joined += categories[at++];
        }
    }
    WideTextProperty(c, "CATEGORIES", joined);
}

void WriteClass(const EventContext& c) {
    LONG sensitivity = c.Item().GetSensitivity();
    if (sensitivity == olPrivate) {
        c.Line("CLASS:PRIVATE");
    } else if (sensitivity == olConfidential) {
        c.Line("CLASS:CONFIDENTIAL");
    }
}

void WriteDescription(const EventContext& c) {
    WideTextProperty(c, "DESCRIPTION", c.source.Safe().GetBody());
}

COleDateTime InItemZone(const EventContext& c, DATE local) {
    return c.zoned ? ToItemZone(c.source.zoneRule, COleDateTime(local), c.source.systemZone)
                   : COleDateTime(local);
}

void WriteAlarm(const EventContext& c) {
    if (!c.Item().GetReminderSet()) {
        return;
    }
    LONG minutes = c.Item().GetReminderMinutesBeforeStart();
    if (c.vcal) {
        COleDateTime start(c.Item().GetStart());
        COleDateTime alarm = InItemZone(c, start - COleDateTimeSpan(minutes / 1440.0));
        c.Line(
            "DALARM:", RenderIcalDateTime(alarm, false, !c.zoned, true, c.source.systemZone).View(),
            "; ; ;Reminder");
        return;
    }
    c.Line("BEGIN:VALARM");
    c.Line("TRIGGER:-PT", std::to_string(minutes), "M");
    c.Line("ACTION:DISPLAY");
    c.Line("DESCRIPTION:Reminder");
    c.Line("END:VALARM");
}

void WriteDateTime(const EventContext& c, std::string_view name, DATE local) {
    c.out.Append(name);
    if (c.allDay) {
        c.out.Append(";VALUE=DATE");
    }
    if (!c.vcal && c.zoned) {
        c.out.Append(";TZID=\"");
        c.out.Append(c.source.zoneName);
        c.out.Append("\"");
    }
    bool utc = !c.zoned && !c.allDay;
    c.Line(":", RenderIcalDateTime(InItemZone(c, local), false, utc, !c.allDay, c.source.systemZone)
                    .View());
}

void WriteEnd(const EventContext& c) {
    WriteDateTime(c, "DTEND", c.Item().GetEnd());
}

void WriteStart(const EventContext& c) {
    WriteDateTime(c, "DTSTART", c.Item().GetStart());
}

// The current UTC time as text, read from the system clock; rendered anew
// only when the second has changed since the last event.
std::string_view UtcNowText(const EventContext& c) {
    using namespace std::chrono;
    const double seconds =
        std::floor(duration<double>(system_clock::now().time_since_epoch()).count());
    EventSource::Scratch& scratch = c.source.scratch;
    if (scratch.stamp.empty() || scratch.stampSecond != seconds) {
        constexpr double kUnixEpochDate = 25569.0; // 1 January 1970 as an OLE date
        COleDateTime now(LinearToOleDate(kUnixEpochDate + seconds / 86400.0));
        scratch.stamp = FormatIcalDateTime(now, true, true, true);
        scratch.stampSecond = seconds;
    }
    return scratch.stamp;
}

void WriteStamp(const EventContext& c) {
    if (!c.vcal) {
        c.Line("DTSTAMP:", UtcNowText(c));
    }
}

void WriteLocation(const EventContext& c) {
    WideTextProperty(c, "LOCATION", c.Item().GetLocation());
}

void WritePriority(const EventContext& c) {
    switch (c.Item().GetImportance()) {
    case olImportanceLow:
        return c.Line(c.vcal ? "PRIORITY:5" : "PRIORITY:9");
    case olImportanceNormal:
        return c.Line(c.vcal ? "PRIORITY:3" : "PRIORITY:5");
    case olImportanceHigh:
        return c.Line("PRIORITY:1");
    default:
        return c.Line("PRIORITY:");
    }
}

void WriteRecurrenceLines(const EventContext& c) {
    if (c.Item().GetIsRecurring()) {
        WriteRecurrence(c.source, c.zoned, c.out);
    }
}

void WriteSummary(const EventContext& c) {
    WideTextProperty(c, "SUMMARY", c.Item().GetSubject());
}

void WriteTransparency(const EventContext& c) {
    bool free = c.Item().GetBusyStatus() == olFree;
    if (c.vcal) {
        c.Line(free ? "TRANSP:1" : "TRANSP:0");
    } else {
        c.Line(free ? "TRANSP:TRANSPARENT" : "TRANSP:OPAQUE");
    }
}

void WriteUid(const EventContext& c) {
    if (!c.uid.empty()) {
        c.Line("UID:", c.uid);
    }
}

void WriteCdoImportance(const EventContext& c) {
    if (!c.vcal) {
        c.Line("X-MICROSOFT-CDO-IMPORTANCE:", std::to_string(c.Item().GetImportance()));
    }
}

using PropertyWriter = void (*)(const EventContext&);

// The properties of an event, in the order they are written.
constexpr PropertyWriter kProperties[] = {
    WriteAttendees,    WriteCategories, WriteClass,           WriteDescription,
    WriteAlarm,        WriteEnd,        WriteStamp,           WriteStart,
    WriteLocation,     WritePriority,   WriteRecurrenceLines, WriteSummary,
    WriteTransparency, WriteUid,        WriteCdoImportance,
};

} // namespace

void WriteEvent(const EventSource& source, const std::string& uid, TextBuffer& event) {
    bool vcal = source.format == kFormatVCalendar10;
    bool allDay = !vcal && source.item->GetAllDayEvent();
    EventContext context{source, uid, event, vcal, IsZoned(source), allDay};
    event.Append("BEGIN:VEVENT\r\n");
    for (PropertyWriter write : kProperties) {
        write(context);
    }
    event.Append("END:VEVENT\r\n");
}
