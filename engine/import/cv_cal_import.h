#pragma once
// CvCalImport: the import engine. It expands the chosen paths into calendar
// files, counts their events, reads and parses each file, and turns every
// event that passes the filter into an appointment of the target folder,
// resolving conflicts with appointments already there, counting imported,
// skipped and failed events, and stepping the progress window.
//
//   CvCalImport engine;
//   ImportRun run = engine.Run(options, filter, progress, parent);
//   // run.Files, run.Events, run.Counters.Imported ...

#include "engine/common/outlook_appointment.h"
#include "engine/common/progress_window.h"
#include "engine/common/redemption.h"
#include "engine/common/save_batch.h"
#include "engine/import/cvcal_parser.h"
#include "engine/import/import_options.h"
#include "engine/import/item_dates.h"

#include <functional>
#include <string>
#include <vector>

class ParseAhead;

// How a run ended.
enum class ImportRunEnd {
    Finished,
    // No calendar file was found; nothing was shown but the warning box.
    NoFiles,
    // The progress window could not be opened.
    NoProgress,
    // The user cancelled (progress window, or Cancel on a file error).
    Cancelled,
    // A file aborted the run (an unknown VERSION).
    Aborted,
};

struct ImportRun {
    ImportRunEnd End = ImportRunEnd::Finished;
    int32_t Files = 0;
    int32_t Events = 0;
    ImportCounters Counters;
};

class CvCalImport : public ParsedEventConsumer {
public:
    explicit CvCalImport(ImportLogSink log = SupportLibraryLogSink());
    ~CvCalImport() override;
    CvCalImport(const CvCalImport&) = delete;
    CvCalImport& operator=(const CvCalImport&) = delete;

    // One run without the wizard pages: file list, event count, progress
    // window, every file in order. The target folder is released at the end.
    ImportRun Run(const ImportOptions& options, const ImportFilter& filter,
                  IProgressWindow& progress, HWND parent);

    // The files the paths stand for, in order: a path that is not a folder
    // as it is, a folder's "*.?cs" files whose extension starts with i or v.
    static std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths);
    // The VEVENTs of the file that have an END:VEVENT; 0 when it cannot be read.
    int CountEvents(const std::string& path);
    // Reads and parses one file; below 0 aborts the run.
    int ImportFile(const std::string& path);

    // ParsedEventConsumer.
    int AddEvent(CvCalParser& parser) override;
    void EventFailed(CvCalParser& parser) override;
    void CalendarEnded(CvCalParser& parser) override;
    void ShowWarning(const std::string& title, const std::string& text) override;

    int AddItem();
    // Conflict handling, creation and saving; -1 when the user cancelled.
    int ProcessItem();
    // True when the current event passes the filter.
    bool FilterItem();
    bool CreateItem();
    bool CreateItem_();
    // Leaves the equal appointment found (if any) in the engine.
    bool FindConflict();
    // Applies the current event's EXDATEs and RDATEs to the new series.
    void CreateExceptions();
    // The starts of the appointment's occurrences between from and to.
    bool RenderRecurrenceItem(_AppointmentItem& item, const COleDateTime& from,
                              const COleDateTime& to, std::vector<COleDateTime>& occurrences);

    ImportOptions Options;
    ImportFilter Filter;
    ImportCounters Counters;
    CvCalParser Parser;
    // The local wall-clock time now; reminders of past events are not set.
    std::function<COleDateTime()> LocalNow;
    // Each file is parsed on a thread of its own, ahead of the appointments
    // created from it; off, a file is parsed as its events are imported.
    bool ParseFilesAhead = true;

private:
    void Log(const std::string& text, LONG code, const char* where, int level, int flag = 1);
    void SetStartAndReminder(_AppointmentItem& item, int mode, const std::string& target,
                             COleDateTime& start, bool& startSet);
    bool SetEnd(_AppointmentItem& item, int mode, const std::string& target, COleDateTime& end);
    void SetAllDay(_AppointmentItem& item, bool startSet, const COleDateTime& start, bool endSet,
                   const COleDateTime& end);
    void SetTexts(_AppointmentItem& item);
    void SetRecurrence(_AppointmentItem& item, int mode, const std::string& target);
    void SetSeriesZone(_AppointmentItem& item, const std::string& target);
    void SetParticipants(_AppointmentItem& item);
    bool FilterDates();
    bool FilterCategories();
    bool FilterLabels();
    int AddSplitEvents();
    void ImportFiles(const std::vector<std::string>& files, ParseAhead* ahead, ImportRun& run);
    int ImportParsedFile(ParseAhead& ahead, const std::string& path);
    // The box for a file that could not be opened; below 0 when the user
    // cancels the run.
    int CannotOpen(const std::string& path, HRESULT code);
    void CommitSaves();

    ImportLogSink log_;
    IProgressWindow* progress_ = nullptr;
    // The run's batch of saves, committed before the run waits for the user.
    SaveBatch* batch_ = nullptr;
    CComPtr<IMAPIUtils> mapiUtils_;
    CComPtr<_AppointmentItem> newItem_;
    CComPtr<_AppointmentItem> conflict_;
    // The current item's date conversions.
    ItemDates itemDates_{Parser};
    bool cancelled_ = false;
};
