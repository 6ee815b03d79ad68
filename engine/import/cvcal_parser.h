#pragma once
// CvCalParser: reads the calendar structure of one file (VCALENDAR objects,
// vCalendar 1.0 TZ and DAYLIGHT, VTIMEZONE, VEVENT with its VALARM) and
// hands every finished event to a consumer: the import engine, which creates
// appointments, or a tool that only shows what was read. It keeps the state
// of the file being read: the content-line reader, the decoding state of the
// current property, the calendar's version and zone table, and the event.

#include "engine/import/date_values.h"
#include "engine/import/import_log.h"
#include "engine/import/line_reader.h"
#include "engine/import/parsed_event.h"
#include "engine/import/time_zones.h"
#include "platform/com/ole_date_time.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

class CvCalParser;
class vSyncCharConverter;

// What the parser hands its results to.
class ParsedEventConsumer {
public:
    virtual ~ParsedEventConsumer() = default;
    // A finished VEVENT (parser.Event); a negative result aborts the run.
    virtual int AddEvent(CvCalParser& parser) = 0;
    // A VEVENT without DTSTART and DTEND, which is not handed on.
    virtual void EventFailed(CvCalParser& parser) = 0;
    // The end of one VCALENDAR, its zone table still in place.
    virtual void CalendarEnded(CvCalParser& parser) = 0;
    // A warning for the user, title and text taken from the language file.
    virtual void ShowWarning(const std::string& title, const std::string& text) = 0;
    // A quoted-printable value of the named property and file that does
    // not decode. By default ShowWarning with the language file's
    // "IDS_APP_TITLE" and "IDS_ERR_INVALID_FORMAT_VCAL", "%1" replaced by
    // the file name and "%2" by the property name.
    virtual void ValueNotDecoded(const std::string& fileName, const std::string& propertyName);
};

// Modes of ToDate.
enum ToDateMode { kToDateRaw = 0, kToDateLocal = 1, kToDateTarget = 2 };

// "current" for DecodeValue's encoding: the property's own.
inline constexpr int kCurrentEncoding = -1;

// Calendar versions.
inline constexpr int kVersionVCal10 = 10;
inline constexpr int kVersionICal20 = 20;

class CvCalParser {
public:
    explicit CvCalParser(ParsedEventConsumer& consumer,
                         ImportLogSink log = SupportLibraryLogSink());

    // Walks the whole text; a negative result aborts the import run.
    int Parse(std::string_view text);
    // Runs the walk of one file: an error raised inside it is logged with
    // the file name and ends the file with 0.
    int GuardFile(const std::function<int()>& walk);
    // 0 at END:VCALENDAR or the end of the text; -1 to abort.
    int ParseVCALENDAR();
    // True when Event is ready to be handed on.
    bool ParseVEVENT();
    // Registers at most one zone.
    bool ParseVTIMEZONE();
    // True at END:VALARM, false at the end of the text.
    bool ParseVALARM();

    // Walks every parameter of the current property (not quote-aware);
    // those that are not ENCODING or CHARSET are logged when log is set.
    void ParseParams(bool log);
    // Takes the current parameter as ENCODING or CHARSET; false otherwise.
    bool ParseEncodingParam();
    // Unescapes, decodes quoted-printable and converts the bytes of the
    // character set to UTF-16. A null charset means the property's own.
    void DecodeValue(std::string_view value, int encoding, const char* charset, bool unescape,
                     std::u16string& out);
    // "text\tin line(...)" with the current line, or
    // "text\tin file(name='...',line~N)" with the file name and line number.
    void LogParseError(std::string_view message, bool inLine, int level, int flag = 1);
    void Log(const std::string& text, const char* where, int level, int flag = 1);
    const ImportLogSink& LogSink() const { return log_; }

    // The date-time text forms, with "Invalid date" logged when log is set.
    bool IsValidDate(std::string_view text, bool log);
    // The text as a date-time: raw, in the system zone's wall-clock time, or
    // in the target zone's (zone keys are looked up in TimeZones). False
    // only for a text that is not a date-time; the value is invalid for
    // digits that form no date.
    bool ToDate(std::string_view text, const std::string& zoneKey, COleDateTime& out, int mode,
                const std::string& targetKey);
    bool ParsePeriod(std::string_view text, PeriodText& period, bool log);

    // Set from another thread to end the walk early, as if the consumer had
    // aborted; null when nothing can end it.
    const std::atomic<bool>* StopRequest = nullptr;

    // Settings of the run.
    TimeZoneRule DefaultTimeZone{};
    std::u16string ListSeparator = u";";
    std::string FileName;

    // The file being read.
    CvCalLineReader Reader;
    int Encoding = kEncodingNone;
    std::string Charset;
    int Version = kVersionVCal10;
    std::string ProdId;
    TimeZoneTable TimeZones;
    ParsedEvent Event;

private:
    struct VEventProperties;
    struct VCalendarProperties;
    struct VTimezoneReader;

    bool StopRequested() const {
        return StopRequest != nullptr && StopRequest->load(std::memory_order_relaxed);
    }
    void BeginCalendar();
    void ResetPropertyDecoding();
    void FinishEvent();
    void LogRuleMessages(const RuleMessages& messages);
    COleDateTime ToLocal(const COleDateTime& value, bool utc, const std::string& key);
    COleDateTime ToTarget(const COleDateTime& value, bool utc, const std::string& key,
                          const std::string& targetKey);
    const TimeZoneRule* FindZone(const std::string& key);

    ParsedEventConsumer& consumer_;
    ImportLogSink log_;
    // The bytes of a value (no escapes, quoted-printable decoded) to UTF-16
    // in the given character set or the property's own.
    void ConvertValueBytes(std::string_view bytes, const char* charset, std::u16string& out);

    // The ANSI code page, taken once per file.
    unsigned ansiCodePage_ = 0;
    // Selects the character set in the converter; its code page.
    int SelectCharset(std::string_view name);

    // The character set the parser selected last, and in which converter.
    struct SelectedCharset {
        const vSyncCharConverter* Converter = nullptr;
        std::string Name;
        int CodePage = 0;
    };
    SelectedCharset selectedCharset_;
    // Working storage of DecodeValue, kept from value to value.
    std::string unescaped_;
    std::string qpDecoded_;
};
