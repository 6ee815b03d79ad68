#include "platform/win32/files.h"

#include "platform/win32/file_faults.h"
#include "platform/win32/posix_errors.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

class OpenFile;

// Every file open in this process, for the share-mode checks.
struct OpenFiles {
    std::mutex mutex;
    std::vector<const OpenFile*> files;
};

OpenFiles& Registry() {
    static OpenFiles openFiles;
    return openFiles;
}

class OpenFile : public KernelObject {
public:
    OpenFile(int fd, DWORD access, DWORD share, FileIdentity identity)
        : fd_(fd), access_(access), share_(share), identity_(identity) {}
    ~OpenFile() override {
        {
            std::lock_guard lock(Registry().mutex);
            std::erase(Registry().files, this);
        }
        close(fd_);
    }
    int Fd() const { return fd_; }
    bool Can(DWORD access) const { return (access_ & access) != 0; }
    bool Shares(DWORD share) const { return (share_ & share) != 0; }
    const FileIdentity& Identity() const { return identity_; }

private:
    int fd_;
    DWORD access_;
    DWORD share_;
    FileIdentity identity_;
};

// Whether a new open with this access and share mode may join an open file.
// As on Windows, an open without read or write access takes part in no
// share check.
bool MayShare(const OpenFile& open, DWORD access, DWORD share) {
    if (!open.Can(GENERIC_READ | GENERIC_WRITE) || (access & (GENERIC_READ | GENERIC_WRITE)) == 0) {
        return true;
    }
    return !((access & GENERIC_READ) && !open.Shares(FILE_SHARE_READ)) &&
           !((access & GENERIC_WRITE) && !open.Shares(FILE_SHARE_WRITE)) &&
           !(open.Can(GENERIC_READ) && !(share & FILE_SHARE_READ)) &&
           !(open.Can(GENERIC_WRITE) && !(share & FILE_SHARE_WRITE));
}

// Call with the registry's lock held.
bool Conflicts(const FileIdentity& identity, DWORD access, DWORD share) {
    return std::any_of(Registry().files.begin(), Registry().files.end(), [&](const OpenFile* open) {
        return open->Identity() == identity && !MayShare(*open, access, share);
    });
}

FileIdentity IdentityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

// open() flags for the access and creation disposition; -1 when invalid.
int OpenFlags(DWORD access, DWORD disposition) {
    bool reads = (access & GENERIC_READ) != 0;
    bool writes = (access & GENERIC_WRITE) != 0;
    int flags = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return flags;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return writes ? flags | O_TRUNC : -1;
    default:
        return -1;
    }
}

HANDLE FailOpen(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return INVALID_HANDLE_VALUE;
}

// Checks an existing file against the disposition and the open files; 0
// when the open may go ahead. Call with the registry's lock held.
LONG CheckExisting(const struct stat& info, DWORD access, DWORD share, DWORD disposition) {
    if (disposition == CREATE_NEW) {
        return ERROR_FILE_EXISTS;
    }
    if (S_ISDIR(info.st_mode)) {
        return ERROR_ACCESS_DENIED;
    }
    return Conflicts(IdentityOf(info), access, share) ? ERROR_SHARING_VIOLATION : 0;
}

HANDLE OpenChecked(const std::string& name, DWORD access, DWORD share, DWORD disposition) {
    int openFlags = OpenFlags(access, disposition);
    if (openFlags < 0) {
        return FailOpen(ERROR_INVALID_PARAMETER);
    }
    std::unique_lock lock(Registry().mutex);
    struct stat info;
    bool existed = stat(name.c_str(), &info) == 0;
    if (LONG error = existed ? CheckExisting(info, access, share, disposition) : 0) {
        return FailOpen(error);
    }
    int fd = open(name.c_str(), openFlags | O_CLOEXEC, 0666);
    if (fd < 0 || fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        LONG error = fd < 0 ? Win32ErrorForPath(errno, name) : ERROR_ACCESS_DENIED;
        if (fd >= 0) {
            close(fd);
        }
        return FailOpen(error);
    }
    auto file = std::make_shared<OpenFile>(fd, access, share, IdentityOf(info));
    Registry().files.push_back(file.get());
    lock.unlock();
    bool reported = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(reported ? ERROR_ALREADY_EXISTS : 0);
    return NewHandle(std::move(file));
}

// Writes until done or an error; returns the bytes written and the errno.
size_t WriteAll(int fd, const BYTE* data, size_t size, int& error) {
    size_t done = 0;
    error = 0;
    while (done < size) {
        ssize_t count = write(fd, data + done, size - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error = count == 0 ? ENOSPC : errno;
            break;
        }
        done += static_cast<size_t>(count);
    }
    return done;
}

size_t ReadAll(int fd, BYTE* data, size_t size, int& error) {
    size_t done = 0;
    error = 0;
    while (done < size) {
        ssize_t count = read(fd, data + done, size - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        done += static_cast<size_t>(count);
    }
    return done;
}

LONG WriteError(int error) {
    return error == EIO ? ERROR_WRITE_FAULT : Win32ErrorForPath(error, "");
}

} // namespace

HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void*, DWORD disposition, DWORD,
                   HANDLE) {
    if (name == nullptr || *name == '\0') {
        return FailOpen(name == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    }
    if (DWORD fault = InjectedOpenFault()) {
        return FailOpen(static_cast<LONG>(fault));
    }
    return OpenChecked(name, access, share, disposition);
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read, void*) {
    auto file = HandleObjectOf<OpenFile>(handle);
    if (read != nullptr) {
        *read = 0;
    }
    if (file == nullptr) {
        return FailWith(ERROR_INVALID_HANDLE);
    }
    if (!file->Can(GENERIC_READ) || (buffer == nullptr && size > 0)) {
        return FailWith(file->Can(GENERIC_READ) ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
    }
    int error = 0;
    size_t done = ReadAll(file->Fd(), static_cast<BYTE*>(buffer), size, error);
    if (read != nullptr) {
        *read = static_cast<DWORD>(done);
    }
    return error == 0 ? TRUE : FailWith(error == EIO ? ERROR_READ_FAULT : ERROR_ACCESS_DENIED);
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written, void*) {
    auto file = HandleObjectOf<OpenFile>(handle);
    if (written != nullptr) {
        *written = 0;
    }
    if (file == nullptr) {
        return FailWith(ERROR_INVALID_HANDLE);
    }
    if (!file->Can(GENERIC_WRITE) || (buffer == nullptr && size > 0)) {
        return FailWith(file->Can(GENERIC_WRITE) ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
    }
    if (DWORD fault = InjectedWriteFault()) {
        return FailWith(static_cast<LONG>(fault));
    }
    size_t room = DiskSpaceFor(size);
    int error = 0;
    size_t done = WriteAll(file->Fd(), static_cast<const BYTE*>(buffer), room, error);
    if (written != nullptr) {
        *written = static_cast<DWORD>(done);
    }
    if (error != 0) {
        return FailWith(WriteError(error));
    }
    return done == size ? TRUE : FailWith(ERROR_DISK_FULL);
}

DWORD GetFileSize(HANDLE handle, DWORD* high) {
    auto file = HandleObjectOf<OpenFile>(handle);
    struct stat info;
    if (file == nullptr || fstat(file->Fd(), &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(info.st_size);
    if (high != nullptr) {
        *high = static_cast<DWORD>(size >> 32);
    }
    // A size whose low half is INVALID_FILE_SIZE is told apart by error 0.
    SetLastError(0);
    return static_cast<DWORD>(size);
}

BOOL DeleteFileA(const char* name) {
    if (name == nullptr) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard lock(Registry().mutex);
    struct stat info;
    if (stat(name, &info) != 0) {
        return FailWithErrno(errno, name);
    }
    if (S_ISDIR(info.st_mode)) {
        return FailWith(ERROR_ACCESS_DENIED);
    }
    const FileIdentity identity = IdentityOf(info);
    bool held = std::any_of(Registry().files.begin(), Registry().files.end(), [&](auto* open) {
        return open->Identity() == identity && !open->Shares(FILE_SHARE_DELETE);
    });
    if (held) {
        return FailWith(ERROR_SHARING_VIOLATION);
    }
    return unlink(name) == 0 ? TRUE : FailWithErrno(errno, name);
}

BOOL CreateDirectoryA(const char* name, void*) {
    if (name == nullptr) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    if (mkdir(name, 0777) == 0) {
        return TRUE;
    }
    return errno == EEXIST ? FailWith(ERROR_ALREADY_EXISTS) : FailWithErrno(errno, name);
}

DWORD GetFileAttributesA(const char* name) {
    struct stat info;
    if (name == nullptr || stat(name, &info) != 0) {
        FailWith(name == nullptr ? ERROR_INVALID_PARAMETER : Win32ErrorForPath(errno, name));
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = name;
    std::string base = path.substr(path.rfind('/') + 1);
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (!S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (base.size() > 1 && base[0] == '.' && base != "..") {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}
