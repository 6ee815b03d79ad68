#pragma once
// CvCalExport: the export engine. A run walks the appointments of a calendar
// folder or of the Explorer selection, leaves out what the filter rejects,
// and writes each appointment, with the time zone blocks it needs, into one
// file per appointment or one file for all, counting what was exported,
// skipped and failed.
//
//   CvCalExport exporter;
//   ExportRunResult result = exporter.RunExport(outlook, options, nullptr, progress, nullptr);

#include "engine/common/outlook_application.h"
#include "engine/common/outlook_appointment.h"
#include "engine/common/progress_window.h"
#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"
#include "engine/export/event_source.h"
#include "engine/export/export_filter.h"
#include "engine/export/export_options.h"
#include "engine/export/text_buffer.h"
#include "engine/export/written_file_list.h"
#include "platform/win32/handle.h"

#include <map>
#include <string>

// What a run did: the three counters and every file completed in it.
struct ExportRunResult {
    // False when the run could not start (no active Explorer for a
    // selection, a progress window that failed); nothing was exported.
    bool started = true;
    bool cancelled = false;
    int exported = 0;
    int failed = 0;
    int skipped = 0;
    WrittenFileList WrittenFiles;

    int Total() const { return exported + failed + skipped; }
};

class CvCalExport {
public:
    // Creates the two Redemption objects; either may stay missing, which
    // makes every item fail.
    CvCalExport();
    ~CvCalExport();
    CvCalExport(const CvCalExport&) = delete;
    CvCalExport& operator=(const CvCalExport&) = delete;

    // One run over the folder or the selection of options; filter is applied
    // when options.useFilter is set (and must then be given).
    ExportRunResult RunExport(const CComPtr<_Application>& application,
                              const ExportOptions& options, const ExportFilter* filter,
                              IProgressWindow& progress, HWND parent);

    // Starts the output: the header, and in one-file mode the file itself.
    bool BeforeExport();
    // Writes the current item: 0 done, -1 the item failed, -2 no file could
    // be created.
    int ExportItem();
    // Ends the output and closes the file.
    void AfterExport();
    // 0 when a file is open (opening one if needed), -2 when none could be.
    int OpenOutputFile();
    // The full path for the next file.
    std::string MakeFileName();
    // Writes bytes (length -1: up to the zero byte) to the open file: nonzero
    // when all got out, else the HRESULT of the error.
    int WriteBuffer(const char* bytes, int length);

    // Finds the current item's zone and names it; false when it has none.
    bool GenVTimezone();
    // The item's UID from Outlook's (clean, unless useGlobal) global object
    // id, as hex text; empty when unavailable.
    std::string GetMeetingUID(bool useGlobal);
    // Whether the current item passes the filter.
    bool FilterItem();
    // The colour label (1 to 10) of the current item, 0 when none.
    LONG GetAppointmentLabel();

    // Set by the engine holder: the host Outlook's major version.
    int outlookVersion = 9;
    int format = kFormatICalendar20;
    bool oneFile = false;
    bool overwrite = false;
    std::string outputFolder;
    std::string CharsetParam;
    ExportFilter filter;
    std::u16string singleFileBase;
    std::string currentFileName;
    WrittenFileList WrittenFiles;
    CComPtr<_AppointmentItem> currentItem;

private:
    struct RunState;
    // What became of one entry of the folder or selection.
    enum class EntryOutcome { PassedOver, Skipped, Exported, Failed, NoFile };

    bool StartRun(const CComPtr<_Application>& application, const ExportOptions& options,
                  const ExportFilter* filter, RunState& run);
    bool RunWithProgress(RunState& run, IProgressWindow& progress, HWND parent,
                         ExportRunResult& result);
    void TakeOptions(const ExportOptions& options);
    bool OpenSource(const CComPtr<_Application>& application, const ExportOptions& options,
                    RunState& run);
    void ExportEntries(RunState& run, IProgressWindow& progress, ExportRunResult& result);
    EntryOutcome ExportEntry(RunState& run, LONG index);
    CComPtr<_AppointmentItem> NextItem(RunState& run, LONG index);
    bool WriteZoneBlock();
    int WriteItem();
    bool WriteText(const TextBuffer& buffer);
    bool Queue(std::string_view text);
    // Writes what was queued; false (and the output counts as lost) when it
    // could not all be written.
    bool FlushPending();
    void CloseOutputFile();
    void ResetZones();
    bool ReadItemZone(TimeZoneRule& rule, std::string& description);
    std::string UniqueZoneName(std::string name, const TimeZoneRule& rule) const;
    // The writers' view of the current item; the run's settings are put in
    // by TakeOptions.
    const EventSource& Source();
    // The item store's tag of a named property (without creating it), kept
    // for the rest of the run once it is known.
    LONG MappedTag(const char16_t* setGuid, LONG id);
    // The current item's property by full tag; empty when it does not have
    // it. Most items lack the optional properties the export looks for, so
    // the safe item's fields answer rather than an error raised per item.
    _variant_t ItemProperty(LONG tag);
    bool FilterDateRange();
    bool FilterCategories();
    bool FilterLabels();

    CComPtr<ISafeAppointmentItem> safeItem_;
    CComPtr<IMAPIUtils> mapiUtils_;
    TextBuffer header_{1024};
    TextBuffer zone_{65536};
    TextBuffer event_{65536};
    HANDLE outputFile_ = INVALID_HANDLE_VALUE;
    bool fileOpen_ = false;
    bool writeFailed_ = false;
    std::string pending_;
    bool outputLost_ = false;
    std::string zoneName_;
    TimeZoneRule zoneRule_{};
    std::map<std::string, TimeZoneRule> emittedZones_;
    std::u16string listSeparator_;
    SystemZone systemZone_;
    LONG labelTag_ = 0;
    EventSource source_;
    std::map<std::pair<const char16_t*, LONG>, LONG> mappedTags_;
};
