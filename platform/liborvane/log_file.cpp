#include "platform/liborvane/log_file.h"

#include "platform/win32/types.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The log file stays open between lines, remembered with the path it was
// opened by and the file that path named then. A line first checks that the
// path still names that file: when the file was moved, deleted or replaced,
// or the environment now names another path, the log is opened afresh.
struct OpenLog {
    std::string path;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    // The file's size when the path was last checked, other writers' lines
    // included.
    off_t size = 0;

    ~OpenLog() { Close(); }
    void Close() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
        path.clear();
    }
};

std::mutex writeMutex;
OpenLog openLog;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) {
        return home;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found);
    return found != nullptr && found->pw_dir != nullptr ? found->pw_dir : "";
}

// A relative $XDG_STATE_HOME is ignored, as the XDG base directory rules ask.
std::string StateFolder() {
    std::string state = Env("XDG_STATE_HOME");
    if (!state.empty() && state.front() == '/') {
        return state;
    }
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/.local/state";
}

// Copies the text with its line breaks written as \n and \r, in runs
// between the breaks.
void AppendEscaped(std::string& line, const char* text) {
    const char* c = text != nullptr ? text : "";
    for (;;) {
        const size_t plain = std::strcspn(c, "\r\n");
        line.append(c, plain);
        c += plain;
        if (*c == '\0') {
            return;
        }
        line += *c == '\n' ? "\\n" : "\\r";
        ++c;
    }
}

// The decimal digits of a value that is not negative, at least width of
// them with leading zeros.
void AppendDigits(std::string& out, long value, int width) {
    char digits[24];
    char* first = std::end(digits);
    for (int n = 0; n < width || value > 0; ++n) {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(first, std::end(digits));
}

// "2026-12-05T23:59:01.123Z".
std::string UtcStamp(const timespec& utcNow) {
    tm fields{};
    gmtime_r(&utcNow.tv_sec, &fields);
    std::string stamp;
    const std::pair<long, const char*> parts[] = {
        {fields.tm_year + 1900L, "-"}, {fields.tm_mon + 1L, "-"}, {fields.tm_mday, "T"},
        {fields.tm_hour, ":"},         {fields.tm_min, ":"},      {fields.tm_sec, "."}};
    for (const auto& [value, after] : parts) {
        AppendDigits(stamp, value, &value == &parts[0].first ? 4 : 2);
        stamp += after;
    }
    AppendDigits(stamp, utcNow.tv_nsec / 1000000, 3);
    return stamp + "Z";
}

int Win32ErrorOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
        return ERROR_DISK_FULL;
    default:
        return ERROR_WRITE_FAULT;
    }
}

int WriteAll(int fd, const std::string& line) {
    size_t done = 0;
    while (done < line.size()) {
        ssize_t written = write(fd, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return Win32ErrorOf(errno);
        }
        done += static_cast<size_t>(written);
    }
    return ERROR_SUCCESS;
}

// One stat of the path per line, instead of opening and closing the file.
bool StillOpen(OpenLog& log, const std::string& path) {
    struct stat named {};
    if (log.fd < 0 || log.path != path || stat(path.c_str(), &named) != 0 ||
        named.st_dev != log.device || named.st_ino != log.inode) {
        return false;
    }
    log.size = named.st_size;
    return true;
}

// Opens the log for appending; -1 with errno set when it cannot be had.
int OpenLogFile(const std::string& path) {
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0 && errno == ENOENT) {
        // The log's folder is made on the first line (and again should it go).
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        fd = open(path.c_str(), flags, 0600);
    }
    return fd;
}

int Reopen(OpenLog& log, const std::string& path) {
    log.Close();
    int fd = OpenLogFile(path);
    struct stat opened {};
    if (fd < 0 || fstat(fd, &opened) != 0) {
        int error = Win32ErrorOf(errno);
        if (fd >= 0) {
            close(fd);
        }
        return error;
    }
    log.path = path;
    log.fd = fd;
    log.device = opened.st_dev;
    log.inode = opened.st_ino;
    log.size = opened.st_size;
    return ERROR_SUCCESS;
}

// A log that has reached its limit becomes quillane.log.1 (replacing an
// older one), and the next line starts a new file at the path. Another
// process writing to the moved file finds it moved on its next line.
void RotateWhenFull(OpenLog& log, size_t written) {
    if (log.size + static_cast<off_t>(written) < static_cast<off_t>(kLogRotateBytes)) {
        return;
    }
    const std::string path = log.path;
    log.Close();
    std::rename(path.c_str(), (path + ".1").c_str());
}

} // namespace

std::string LogFilePath() {
    std::string state = StateFolder();
    return state.empty() ? "" : state + "/quillane/quillane.log";
}

bool LogLineWanted(int level, int flag, const char* debugSetting) {
    return level != 1 || flag != kLogFlagDebug ||
           (debugSetting != nullptr && std::strcmp(debugSetting, "1") == 0);
}

std::string LogLevelWord(int level) {
    switch (level) {
    case 1:
        return "TRACE";
    case 2:
        return "WARNING";
    case 3:
        return "ERROR";
    default:
        return "LEVEL" + std::to_string(level);
    }
}

std::string FormatLogLine(const timespec& utcNow, int level, const char* where, std::int32_t code,
                          const char* text) {
    const auto bits = static_cast<std::uint32_t>(code);
    char hexCode[] = "0x00000000";
    for (int i = 0; i < 8; ++i) {
        hexCode[9 - i] = "0123456789ABCDEF"[(bits >> (4 * i)) & 0xF];
    }
    std::string line = UtcStamp(utcNow) + "\t" + LogLevelWord(level) + "\t";
    AppendEscaped(line, where);
    line += "\t";
    line += hexCode;
    line += "\t";
    AppendEscaped(line, text);
    line += "\n";
    return line;
}

int AppendLogLine(const std::string& line) {
    std::string path = LogFilePath();
    if (path.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    std::lock_guard lock(writeMutex);
    if (!StillOpen(openLog, path)) {
        int error = Reopen(openLog, path);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    int result = WriteAll(openLog.fd, line);
    if (result != ERROR_SUCCESS) {
        // The next line tries a fresh descriptor.
        openLog.Close();
        return result;
    }
    RotateWhenFull(openLog, line.size());
    return result;
}
