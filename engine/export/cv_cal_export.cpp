#include "engine/export/cv_cal_export.h"

#include "engine/export/calendar_header.h"
#include "engine/export/event_writer.h"
#include "engine/export/meeting_uid.h"
#include "engine/export/zone_writer.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"
#include "platform/win32/files.h"
#include "support/lib_orvane.h"

namespace {

constexpr const char* kSystemZoneName = "SYSTEM TIMEZONE";
constexpr std::string_view kCalendarEnd = "END:VCALENDAR";

} // namespace

CvCalExport::CvCalExport() {
    CreateRedemptionObject(kProgIdSafeAppointmentItem, safeItem_);
    CreateRedemptionObject(kProgIdMapiUtils, mapiUtils_);
}

CvCalExport::~CvCalExport() {
    CloseOutputFile();
}

void CvCalExport::ResetZones() {
    zoneName_.clear();
    zoneRule_ = TimeZoneRule{};
    emittedZones_.clear();
}

const EventSource& CvCalExport::Source() {
    source_.item = currentItem;
    source_.safeItem = safeItem_;
    source_.format = format;
    source_.outlookVersion = outlookVersion;
    source_.zoneName = zoneName_;
    source_.zoneRule = zoneRule_;
    return source_;
}

bool CvCalExport::BeforeExport() {
    header_.Clear();
    event_.Clear();
    ResetZones();
    writeFailed_ = false;
    pending_.clear();
    outputLost_ = false;
    if (WriteCalendarHeader(format, header_) != 0) {
        return false;
    }
    if (!oneFile) {
        return true;
    }
    if (OpenOutputFile() != 0) {
        return false;
    }
    WriteText(header_);
    if (format != kFormatVCalendar10) {
        return true;
    }
    TimeZoneRule system;
    if (!GetSystemTimeZone(system)) {
        LibOrvane().LogError("CvCalExport::BeforeExport", static_cast<LONG>(GetLastError()),
                             "Cant get System Timezone Information");
        return true;
    }
    WriteVCalendarZoneLines(system, zone_);
    if (!zone_.Empty() && WriteText(zone_)) {
        emittedZones_[kSystemZoneName] = system;
    }
    return true;
}

bool CvCalExport::WriteZoneBlock() {
    if (!GenVTimezone()) {
        return true;
    }
    zone_.Clear();
    if (format == kFormatVCalendar10 && !oneFile) {
        WriteVCalendarZoneLines(zoneRule_, zone_);
    } else if (format == kFormatICalendar20 && !emittedZones_.contains(zoneName_)) {
        WriteVTimezoneBlock(zoneRule_, zoneName_, zone_);
    }
    if (zone_.Empty()) {
        return true;
    }
    emittedZones_[zoneName_] = zoneRule_;
    return WriteText(zone_);
}

int CvCalExport::WriteItem() {
    writeFailed_ = false;
    if (!oneFile) {
        WriteText(header_);
        ResetZones();
    }
    WriteZoneBlock();
    event_.Clear();
    std::string uid = GetMeetingUID(true);
    if (uid.empty() && format == kFormatICalendar20) {
        uid = GenerateUid();
    }
    WriteEvent(Source(), uid, event_);
    WriteText(event_);
    if (!oneFile) {
        Queue(kCalendarEnd);
        FlushPending();
    }
    return writeFailed_ ? -1 : 0;
}

int CvCalExport::ExportItem() {
    if (OpenOutputFile() != 0) {
        return -2;
    }
    int result = -1;
    try {
        result = WriteItem();
    } catch (const _com_error& e) {
        LibOrvane().LogError("CvCalExport::ExportItem", e.Error(), "_com_error(%s), %s",
                             e.ErrorMessage().c_str(), WideToAnsi(e.Description()).c_str());
    } catch (...) {
        LibOrvane().LogError("CvCalExport::ExportItem", 0, "CATCHED EXCEPTION!");
    }
    if (!oneFile) {
        // What a failed item left unwritten goes with its file.
        pending_.clear();
        CloseOutputFile();
    }
    if (result == 0) {
        WrittenFiles.insert(currentFileName);
    } else if (!oneFile) {
        // A file cut short (disk full, size limit) would pass for an export.
        DeleteFileA(currentFileName.c_str());
    }
    return result;
}

void CvCalExport::AfterExport() {
    header_.Clear();
    zone_.Clear();
    event_.Clear();
    ResetZones();
    if (!fileOpen_) {
        return;
    }
    if (oneFile && (!Queue(kCalendarEnd) || !FlushPending() || outputLost_)) {
        LibOrvane().LogError("CvCalExport::AfterExport", static_cast<LONG>(GetLastError()),
                             "Events or the end of %s could not be written",
                             currentFileName.c_str());
        WrittenFiles.erase(currentFileName);
    }
    pending_.clear();
    CloseOutputFile();
    if (oneFile && !WrittenFiles.contains(currentFileName)) {
        DeleteFileA(currentFileName.c_str());
    }
}
