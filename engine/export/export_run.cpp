// An export run: the options taken over, the folder's items or the
// Explorer's selection walked with the progress window, and each entry
// counted as exported, skipped or failed.

#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/export/cv_cal_export.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"
#include "platform/win32/locale.h"
#include "support/language_text.h"
#include "support/lib_orvane.h"

#include <set>

namespace {

constexpr const char* kWhere = "CvCalExport::Execute";
constexpr int kExportProgressDialog = 239;
constexpr const char* kHelpTopic = "Export_Calendar_Events_to_Files_with_Quillane.htm";

std::u16string UserListSeparator() {
    char separator[8] = {};
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
    return AnsiToWide(length > 1 ? separator : ";");
}

void LogComError(const char* where, const _com_error& e) {
    LibOrvane().LogError(where, e.Error(), "_com_error(%s), %s", e.ErrorMessage().c_str(),
                         WideToAnsi(e.Description()).c_str());
}

} // namespace

struct CvCalExport::RunState {
    CComPtr<_Items> items;        // the folder's items, or
    CComPtr<Selection> selection; // the Explorer's selection
    std::set<std::u16string> selectedEntryIds;
    bool useFilter = false;
    LONG count = 0;
};

void CvCalExport::TakeOptions(const ExportOptions& options) {
    g_charConverter->SelectByDisplayName(options.encoding);
    oneFile = options.oneFile;
    singleFileBase = oneFile && options.folder ? options.folder->GetName() : std::u16string();
    outputFolder = options.outputFolder;
    overwrite = options.overwrite;
    format = options.format == kFormatICalendar20 ? kFormatICalendar20 : kFormatVCalendar10;
    std::string charset = g_charConverter->CurrentCharsetName();
    CharsetParam.clear();
    if (!g_charConverter->IsEmptyName(charset) &&
        !(format == kFormatICalendar20 && charset == "UTF-8")) {
        CharsetParam = ";CHARSET=" + charset;
    }
    listSeparator_ = UserListSeparator();
    systemZone_ = SystemZone::Read();
    source_.UseConverter(g_charConverter);
    source_.charsetParam = CharsetParam;
    source_.listSeparator = listSeparator_;
    source_.systemZone = systemZone_;
}

CComPtr<_AppointmentItem> CvCalExport::NextItem(RunState& run, LONG index) {
    _variant_t at(index, VT_INT);
    CComPtr<IUnknown> entry = run.selection ? run.selection->Item(at) : run.items->Item(at);
    return QueryInterface<_AppointmentItem>(entry);
}

CvCalExport::EntryOutcome CvCalExport::ExportEntry(RunState& run, LONG index) {
    try {
        CComPtr<_AppointmentItem> item = NextItem(run, index);
        if (!item) {
            return EntryOutcome::PassedOver;
        }
        if (run.selection) {
            if (!run.selectedEntryIds.insert(item->GetEntryID()).second) {
                return EntryOutcome::Skipped;
            }
            if (item->GetIsRecurring() && item->GetRecurrenceState() != olApptMaster) {
                item = item->GetRecurrencePattern()->GetParent();
            }
        }
        currentItem = item;
        if (!safeItem_) {
            LibOrvane().LogError(kWhere, E_POINTER, "Redemption.SafeAppointmentItem is missing");
            return EntryOutcome::Failed;
        }
        safeItem_->PutItem(item);
        if (run.useFilter && !FilterItem()) {
            return EntryOutcome::Skipped;
        }
    } catch (const _com_error& e) {
        LogComError(kWhere, e);
        return EntryOutcome::Failed;
    }
    int result = ExportItem();
    return result >= 0    ? EntryOutcome::Exported
           : result == -2 ? EntryOutcome::NoFile
                          : EntryOutcome::Failed;
}

void CvCalExport::ExportEntries(RunState& run, IProgressWindow& progress, ExportRunResult& result) {
    for (LONG i = 1; i <= run.count; ++i) {
        if (progress.ProgressCancelled()) {
            result.skipped += run.count - i + 1;
            result.cancelled = true;
            return;
        }
        if (progress.ProgressTakeHelpRequest()) {
            LibOrvane().ShowContextHelp(kHelpTopic);
        }
        switch (ExportEntry(run, i)) {
        case EntryOutcome::PassedOver:
            continue;
        case EntryOutcome::Skipped:
            result.skipped += 1;
            continue;
        case EntryOutcome::Exported:
            result.exported += 1;
            break;
        case EntryOutcome::NoFile:
            result.failed += 1;
            if (oneFile) {
                result.failed += run.count - i;
                return;
            }
            break;
        case EntryOutcome::Failed:
            result.failed += 1;
            break;
        }
        progress.ProgressStep();
    }
}

// The folder's items or the active Explorer's selection, and their number;
// false when they cannot be reached.
bool CvCalExport::OpenSource(const CComPtr<_Application>& application, const ExportOptions& options,
                             RunState& run) {
    try {
        if (!options.selectedOnly) {
            run.items = options.folder->GetItems();
            run.count = run.items->GetCount();
        } else {
            run.selection = application->ActiveExplorer()->GetSelection();
            run.count = run.selection->GetCount();
        }
    } catch (const _com_error& e) {
        LogComError(kWhere, e);
        return false;
    }
    return true;
}

bool CvCalExport::StartRun(const CComPtr<_Application>& application, const ExportOptions& options,
                           const ExportFilter* filter, RunState& run) {
    WrittenFiles.clear();
    currentFileName.clear();
    mappedTags_.clear();
    run.useFilter = options.useFilter && filter != nullptr;
    if (run.useFilter) {
        this->filter = *filter;
    }
    if (g_charConverter == nullptr) {
        LibOrvane().LogError(kWhere, E_POINTER, "No character set converter");
        return false;
    }
    try {
        TakeOptions(options);
    } catch (const _com_error& e) {
        LogComError(kWhere, e);
        return false;
    }
    return OpenSource(application, options, run);
}

bool CvCalExport::RunWithProgress(RunState& run, IProgressWindow& progress, HWND parent,
                                  ExportRunResult& result) {
    if (!progress.ProgressCreate(parent, kExportProgressDialog)) {
        return false;
    }
    progress.ProgressSetText(LanguageText("IDS_PROGR_EXPORT"));
    progress.ProgressSetRange(run.count);
    ExportEntries(run, progress, result);
    progress.ProgressClose();
    return true;
}

ExportRunResult CvCalExport::RunExport(const CComPtr<_Application>& application,
                                       const ExportOptions& options, const ExportFilter* filter,
                                       IProgressWindow& progress, HWND parent) {
    ExportRunResult result;
    RunState run;
    result.started = StartRun(application, options, filter, run);
    if (result.started && run.count > 0) {
        if (!BeforeExport()) {
            result.failed = run.count;
        } else {
            result.started = RunWithProgress(run, progress, parent, result);
        }
    }
    AfterExport();
    if (oneFile && WrittenFiles.empty() && result.exported > 0) {
        // The one file could not be completed and is gone: nothing it held
        // was exported.
        result.failed += result.exported;
        result.exported = 0;
    }
    result.WrittenFiles = std::move(WrittenFiles);
    WrittenFiles.clear();
    currentItem.Release();
    source_.item.Release();
    return result;
}
