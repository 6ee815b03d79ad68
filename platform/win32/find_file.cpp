#include "platform/win32/find_file.h"

#include "platform/win32/files.h"
#include "platform/win32/posix_errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class FolderSearch : public KernelObject {
public:
    explicit FolderSearch(std::vector<WIN32_FIND_DATAA> found) : found_(std::move(found)) {}
    // The next entry, or false past the last.
    bool Next(WIN32_FIND_DATAA& data) {
        if (next_ >= found_.size()) {
            return false;
        }
        data = found_[next_++];
        return true;
    }

private:
    std::vector<WIN32_FIND_DATAA> found_;
    size_t next_ = 0;
};

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetter(char left, char right) {
    return Upper(left) == Upper(right);
}

// Windows' order: case-insensitive, then byte by byte.
bool NameLess(const std::string& left, const std::string& right) {
    auto folded = [](unsigned char a, unsigned char b) { return Upper(a) < Upper(b); };
    if (std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                     folded)) {
        return true;
    }
    return !std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(),
                                         folded) &&
           left < right;
}

FILETIME ToFileTime(const struct timespec& time) {
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
        static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The entry's data; false when it vanished or its name is too long.
bool Describe(const std::string& folder, const std::string& name, WIN32_FIND_DATAA& data) {
    std::string path = folder + "/" + name;
    struct stat info;
    if (name.size() >= MAX_PATH || stat(path.c_str(), &info) != 0) {
        return false;
    }
    data = {};
    data.dwFileAttributes = GetFileAttributesA(path.c_str());
    data.ftCreationTime = ToFileTime(info.st_ctim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    auto size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
    return true;
}

// The names in the folder that match the mask, in Windows' order; false
// with errno when the folder cannot be read.
bool MatchingNames(const std::string& folder, const std::string& mask,
                   std::vector<std::string>& names) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return false;
    }
    while (const dirent* entry = readdir(listing)) {
        if (MatchesFileMask(entry->d_name, mask)) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    std::sort(names.begin(), names.end(), NameLess);
    return true;
}

HANDLE FailSearch(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return INVALID_HANDLE_VALUE;
}

} // namespace

bool MatchesFileMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*") {
        mask = "*";
    }
    size_t n = 0, m = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || SameLetter(mask[m], name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1; // let the last "*" take one more character
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    if (pattern == nullptr || data == nullptr) {
        return FailSearch(ERROR_INVALID_PARAMETER);
    }
    std::string text = pattern;
    size_t slash = text.rfind('/');
    std::string folder =
        slash == std::string::npos ? "." : text.substr(0, std::max<size_t>(slash, 1));
    std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
    std::vector<std::string> names;
    if (!MatchingNames(folder, mask, names)) {
        int error = errno;
        return FailSearch(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                              : Win32ErrorForPath(error, folder));
    }
    std::vector<WIN32_FIND_DATAA> found;
    for (const std::string& name : names) {
        if (WIN32_FIND_DATAA entry; Describe(folder, name, entry)) {
            found.push_back(entry);
        }
    }
    auto search = std::make_shared<FolderSearch>(std::move(found));
    if (!search->Next(*data)) {
        return FailSearch(ERROR_FILE_NOT_FOUND);
    }
    return NewHandle(std::move(search));
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
    auto search = HandleObjectOf<FolderSearch>(handle);
    if (search == nullptr || data == nullptr) {
        return FailWith(search == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    }
    return search->Next(*data) ? TRUE : FailWith(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE handle) {
    return CloseHandleOf<FolderSearch>(handle) ? TRUE : FailWith(ERROR_INVALID_HANDLE);
}
