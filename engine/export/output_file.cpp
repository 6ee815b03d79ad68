// The export's output files: naming, opening, writing and closing.

#include "engine/export/cv_cal_export.h"
#include "engine/export/file_naming.h"
#include "platform/win32/code_page.h"
#include "platform/win32/files.h"

#include <cstring>

namespace {

// "20070305090500": the start as year, month, day, hour, minute, second;
// the year reads -001 when the date is not valid.
std::string StartStamp(const COleDateTime& start) {
    char year[16];
    std::snprintf(year, sizeof year, "%04d", start.GetYear());
    return year + start.Format("%m%d%H%M%S");
}

} // namespace

std::string CvCalExport::MakeFileName() {
    std::string extension = format == kFormatICalendar20 ? ".ics" : ".vcs";
    std::string base;
    if (oneFile) {
        base = WideToAnsi(singleFileBase);
    } else {
        base = StartStamp(COleDateTime(currentItem->GetStart()));
        std::u16string subject = currentItem->GetSubject();
        if (!subject.empty()) {
            base += "_" + WideToAnsi(subject);
        }
    }
    base = SanitizeFileName(BracketFirstLineBreak(base));
    return FreeFilePath(outputFolder, base, extension, overwrite);
}

int CvCalExport::OpenOutputFile() {
    if (fileOpen_) {
        return 0;
    }
    currentFileName = MakeFileName();
    outputFile_ = CreateFileA(currentFileName.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (outputFile_ == INVALID_HANDLE_VALUE) {
        HRESULT hr = HRESULT_FROM_WIN32(static_cast<LONG>(GetLastError()));
        return FAILED(hr) ? -2 : 0;
    }
    fileOpen_ = true;
    return 0;
}

int CvCalExport::WriteBuffer(const char* bytes, int length) {
    DWORD size = length == -1 ? static_cast<DWORD>(std::strlen(bytes)) : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!fileOpen_ || !WriteFile(outputFile_, bytes, size, &written, nullptr)) {
        writeFailed_ = true;
        return HRESULT_FROM_WIN32(fileOpen_ ? static_cast<LONG>(GetLastError())
                                            : ERROR_INVALID_HANDLE);
    }
    return 1;
}

bool CvCalExport::WriteText(const TextBuffer& buffer) {
    return Queue(buffer.View());
}

// The text of a file is collected and written in large pieces: a file per
// item at its end, the one file of a run whenever a piece is full.
bool CvCalExport::Queue(std::string_view text) {
    constexpr size_t kPieceSize = 65536;
    pending_.append(text);
    return pending_.size() < kPieceSize || FlushPending();
}

bool CvCalExport::FlushPending() {
    if (pending_.empty()) {
        return true;
    }
    const bool written = WriteBuffer(pending_.data(), static_cast<int>(pending_.size())) > 0;
    pending_.clear();
    outputLost_ = outputLost_ || !written;
    return written;
}

void CvCalExport::CloseOutputFile() {
    if (fileOpen_) {
        CloseHandle(outputFile_);
        outputFile_ = INVALID_HANDLE_VALUE;
        fileOpen_ = false;
    }
}
