#include "platform/win32/registry_file.h"

#include "platform/win32/posix_errors.h"
#include "platform/win32/registry_json.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// The whole file, or false with errno set (ENOENT when it does not exist).
bool ReadText(const std::string& path, std::string& text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char block[65536];
    ssize_t got = 0;
    while ((got = read(fd, block, sizeof block)) > 0 || (got < 0 && errno == EINTR)) {
        text.append(block, static_cast<size_t>(std::max<ssize_t>(got, 0)));
    }
    int error = errno;
    close(fd);
    errno = error;
    return got == 0;
}

std::string UtcStamp() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    return stamp;
}

// A name beside path that is not taken yet: "<path>.damaged-<stamp>", with
// "-2", "-3", ... added when the same second already produced one.
std::string AsideName(const std::string& path) {
    std::string base = path + ".damaged-" + UtcStamp();
    std::string name = base;
    for (int n = 2; std::filesystem::exists(name); ++n) {
        name = base + "-" + std::to_string(n);
    }
    return name;
}

RegistryFileLoad SetAside(const std::string& path, const std::string& why) {
    RegistryFileLoad result;
    std::string aside = AsideName(path);
    if (std::rename(path.c_str(), aside.c_str()) != 0) {
        result.writable = false;
        result.warning = "The settings file " + path + " is damaged (" + why +
                         ") and cannot be moved aside (" + Reason(errno) +
                         "); settings are kept in memory only";
        return result;
    }
    result.warning = "The settings file " + path + " is damaged (" + why + "); kept as " + aside +
                     ", settings start from their defaults";
    return result;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// Flushes the folder so that the rename itself survives a power loss.
void SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool WriteFileDurably(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    int error = errno;
    written = close(fd) == 0 && written;
    errno = written ? 0 : error;
    return written;
}

// Removes "<path>.tmp.<pid>" files that processes killed while saving left
// behind; a file of a process still running is its save in progress.
void RemoveStaleTemporaries(const std::string& path) {
    const std::filesystem::path hive(path);
    const std::string prefix = hive.filename().string() + ".tmp.";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(hive.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        const std::string digits = name.substr(prefix.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid > 0 && pid <= INT_MAX && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink(entry.path().c_str());
        }
    }
}

} // namespace

RegistryFileLoad LoadUserHive(const std::string& path, RegNode& root) {
    RemoveStaleTemporaries(path);
    std::string text;
    if (!ReadText(path, text)) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return {}; // no file yet: the first change creates it
        }
        return SetAside(path, "cannot be read: " + Reason(errno));
    }
    std::string error;
    if (!RegistryFromJson(text, root, error)) {
        return SetAside(path, error);
    }
    return {};
}

std::string LoadMachineHive(const std::string& path, RegNode& root) {
    std::string text;
    if (!ReadText(path, text)) {
        return "The machine registry data " + path + " cannot be read: " + Reason(errno);
    }
    std::string error;
    if (!RegistryFromJson(text, root, error)) {
        return "The machine registry data " + path + " is damaged: " + error;
    }
    return "";
}

LONG SaveUserHive(const std::string& path, const RegNode& root, std::string& error) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    // Each process writes its own temporary file, so two processes saving at
    // once never interleave their bytes; the last rename wins whole.
    std::string temporary = path + ".tmp." + std::to_string(getpid());
    if (!WriteFileDurably(temporary, RegistryToJson(root)) ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        int failure = errno;
        error = "Cannot write the settings file " + path + ": " + Reason(failure);
        unlink(temporary.c_str());
        return Win32ErrorForPath(failure, temporary);
    }
    SyncFolder(folder.empty() ? "." : folder.string());
    return ERROR_SUCCESS;
}
