#include "platform/win32/posix_errors.h"

#include "platform/win32/files.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

bool ParentIsFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return true;
    }
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info;
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

LONG Win32ErrorForPath(int error, const std::string& path) {
    switch (error) {
    case ENOENT:
        return ParentIsFolder(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EFBIG:
        return ERROR_HANDLE_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    default:
        return ERROR_WRITE_FAULT;
    }
}

BOOL FailWithErrno(int error, const std::string& path) {
    return FailWith(Win32ErrorForPath(error, path));
}

BOOL FailWith(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
}
