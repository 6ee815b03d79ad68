// The run of an import: the file list and the event total, the progress
// window, each file read and parsed in order, and the counters at the end.

#include "engine/import/cv_cal_import.h"
#include "engine/import/event_count.h"
#include "engine/import/list_separator.h"
#include "engine/import/parse_ahead.h"
#include "engine/import/read_file.h"
#include "platform/com/hresult.h"
#include "platform/win32/files.h"
#include "platform/win32/find_file.h"
#include "platform/win32/message_box.h"
#include "platform/win32/paths.h"
#include "support/language_text.h"

#include <chrono>
#include <system_error>

namespace {

COleDateTime SystemLocalNow() {
    using namespace std::chrono;
    double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    // OLE dates count days from 30 December 1899; the Unix epoch is day 25569.
    UtcTime now{COleDateTime(25569.0 + seconds / 86400.0)};
    return SystemUtcToLocal(now).value;
}

bool HasCalendarExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 >= name.size()) {
        return false;
    }
    char first = name[dot + 1];
    return first == 'i' || first == 'v' || first == 'I' || first == 'V';
}

void AppendFolderFiles(const std::string& folder, std::vector<std::string>& files) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*.?cs").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (HasCalendarExtension(found.cFileName)) {
            files.push_back(JoinPath(folder, found.cFileName));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

CvCalImport::CvCalImport(ImportLogSink log)
    : Parser(*this, log), LocalNow(SystemLocalNow), log_(std::move(log)) {
    if (FAILED(CreateRedemptionObject(kProgIdMapiUtils, mapiUtils_))) {
        Log("Cant Create Redemption.MAPIUtils", 0, "CvCalImport", 3);
    }
}

CvCalImport::~CvCalImport() = default;

void CvCalImport::Log(const std::string& text, LONG code, const char* where, int level, int flag) {
    log_(text, code, where, level, flag);
}

std::vector<std::string> CvCalImport::ExpandPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (IsDirectory(path)) {
            AppendFolderFiles(path, files);
        } else {
            files.push_back(path);
        }
    }
    return files;
}

namespace {

// The file's text as read for counting; null when it cannot be read.
std::shared_ptr<const std::string> ReadToCount(const std::string& path, const ImportLogSink& log) {
    HANDLE file = OpenCalendarFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    auto text = std::make_shared<std::string>();
    if (!_ReadFile(file, *text, path.c_str(), log)) {
        return nullptr;
    }
    return text;
}

// The parse of the files on a thread of its own, which starts on the first
// file's text while the files are still being counted; null when no thread
// can be had, and each file is then parsed as it is imported.
std::unique_ptr<ParseAhead> StartParseAhead(const std::vector<std::string>& files,
                                            std::shared_ptr<const std::string> firstText,
                                            const CvCalParser& settings) {
    try {
        return std::make_unique<ParseAhead>(files, std::move(firstText), settings);
    } catch (const std::system_error&) {
        return nullptr;
    }
}

} // namespace

int CvCalImport::CountEvents(const std::string& path) {
    std::shared_ptr<const std::string> text = ReadToCount(path, log_);
    return text ? CountCalendarEvents(*text) : 0;
}

ImportRun CvCalImport::Run(const ImportOptions& options, const ImportFilter& filter,
                           IProgressWindow& progress, HWND parent) {
    Options = options;
    Filter = options.UseFilter ? filter : ImportFilter{};
    Counters = {};
    cancelled_ = false;
    progress_ = &progress;
    Parser.DefaultTimeZone = Options.DefaultTimeZone;
    Parser.ListSeparator = UserListSeparator();
    ImportRun run;
    std::vector<std::string> files = ExpandPaths(Options.Paths);
    std::unique_ptr<ParseAhead> ahead;
    for (size_t i = 0; i < files.size(); ++i) {
        std::shared_ptr<const std::string> text = ReadToCount(files[i], log_);
        if (i == 0 && ParseFilesAhead) {
            ahead = StartParseAhead(files, text, Parser);
        }
        run.Events += text ? CountCalendarEvents(*text) : 0;
    }
    run.Files = static_cast<int32_t>(files.size());
    if (files.empty()) {
        MessageBoxA(GetActiveWindow(), LanguageText("IDS_ERR_IMPORT_VCAL_FILES_NOT_FOUND").c_str(),
                    LanguageText("IDS_APP_TITLE").c_str(), MB_OK | MB_ICONWARNING);
        run.End = ImportRunEnd::NoFiles;
    } else if (run.Events > 0) {
        if (!progress.ProgressCreate(parent, 245)) {
            run.End = ImportRunEnd::NoProgress;
        } else {
            progress.ProgressSetText(LanguageText("IDS_PROGR_IMPORT"));
            progress.ProgressSetRange(run.Events);
            ImportFiles(files, ahead.get(), run);
            progress.ProgressClose();
        }
    }
    run.Counters = Counters;
    Options.TargetFolder = nullptr;
    progress_ = nullptr;
    return run;
}

// The appointments are saved in batches of the store: a killed run keeps
// whole appointments up to its last commit, and a re-run that leaves equal
// appointments alone completes it.
void CvCalImport::ImportFiles(const std::vector<std::string>& files, ParseAhead* ahead,
                              ImportRun& run) {
    SaveBatch batch(
        Options.Application,
        [this](const std::string& text, LONG code, int lost) {
            Log(text, code, "CvCalImport::Run", 3);
            // Appointments of a batch the store could not keep were not imported.
            Counters.Imported -= lost;
            Counters.Failed += lost;
        },
        SaveBatch::ItemsPerBatch(run.Events));
    batch_ = &batch;
    for (const std::string& file : files) {
        if ((ahead ? ImportParsedFile(*ahead, file) : ImportFile(file)) < 0) {
            Counters.Skipped = std::max(0, run.Events - Counters.Failed - Counters.Imported);
            run.End = cancelled_ ? ImportRunEnd::Cancelled : ImportRunEnd::Aborted;
            break;
        }
    }
    batch.Commit();
    batch_ = nullptr;
}

void CvCalImport::CommitSaves() {
    if (batch_) {
        batch_->Commit();
    }
}

int CvCalImport::ImportFile(const std::string& path) {
    HANDLE file = OpenCalendarFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        return CannotOpen(path, HRESULT_FROM_WIN32(static_cast<LONG>(GetLastError())));
    }
    Parser.FileName = path;
    std::string text;
    if (!_ReadFile(file, text, nullptr, log_)) {
        return 0;
    }
    return Parser.Parse(text);
}

int CvCalImport::ImportParsedFile(ParseAhead& ahead, const std::string& path) {
    ParseAhead::FileOutcome file = ahead.ReplayFile(Parser, *this);
    return file.Opened ? file.Result : CannotOpen(path, file.OpenError);
}

int CvCalImport::CannotOpen(const std::string& path, HRESULT code) {
    if (!FAILED(code)) {
        return 0;
    }
    std::string text = LanguageText("IDS_ERR_CANNOT_OPEN_FILE") + path;
    CommitSaves();
    int answer = MessageBoxA(GetActiveWindow(), text.c_str(), LanguageText("IDS_ERR_TITLE").c_str(),
                             MB_OKCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) {
        cancelled_ = true;
        return code;
    }
    return 0;
}

void CvCalImport::EventFailed(CvCalParser&) {
    Counters.Failed += 1;
}

void CvCalImport::CalendarEnded(CvCalParser&) {}

void CvCalImport::ShowWarning(const std::string& title, const std::string& text) {
    CommitSaves();
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
}
