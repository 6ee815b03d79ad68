#pragma once
// EventSource: what the event and recurrence writers read for one
// appointment: the item and its Redemption twin, the output format and
// character set, and the item's own time zone when it has one.

#include "engine/common/outlook_appointment.h"
#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/export/ical_date_time.h"

#include <string>

struct EventSource {
    CComPtr<_AppointmentItem> item;
    // May be empty (Redemption missing): the writers then raise E_POINTER.
    CComPtr<ISafeAppointmentItem> safeItem;
    const vSyncCharConverter* converter = nullptr;
    // The code pages the converter gives for the export's charset name and
    // for "UTF-8", looked up once for a run (see UseConverter).
    int exportCodePage = kAnsiCodePage;
    int utf8CodePage = kUnknownCodePage;
    int format = 20;
    // ";CHARSET=" + the export's charset name, or empty.
    std::string charsetParam;
    // The user's list separator, which joins Outlook's category names.
    std::u16string listSeparator = u",";
    int outlookVersion = 9;
    // The item's zone: a name (empty when it has none) and its rule.
    std::string zoneName;
    TimeZoneRule zoneRule{};
    // The system zone of the run.
    SystemZone systemZone;

    // Storage the writers reuse from text to text and item to item, so that
    // writing an event does not allocate for each of its texts.
    struct Scratch {
        std::string converted;
        std::string encoded;
        std::string address;
        std::u16string wide;
        // DTSTAMP's text and the second it renders.
        std::string stamp;
        double stampSecond = 0;
    };
    mutable Scratch scratch;

    // Takes the converter with its current charset for the texts of a run.
    void UseConverter(const vSyncCharConverter* charConverter);
    ISafeAppointmentItem& Safe() const;
    // Wide text in the export's character set, or in "UTF-8", into out
    // (empty when the text cannot be converted).
    void ToExportCharset(std::u16string_view text, std::string& out) const;
    void ToUtf8(std::u16string_view text, std::string& out) const;
};

// Recurring items with a zone name carry their times in their own zone;
// all others in UTC.
bool IsZoned(const EventSource& source);
