#include "platform/win32/paths.h"

#include "platform/win32/files.h"

#include <cstring>

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || (!name.empty() && name[0] == '/')) {
        return name;
    }
    if (name.empty()) {
        return folder;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL PathFileExistsA(const char* path) {
    return path != nullptr && PathExists(path) ? TRUE : FALSE;
}

BOOL PathIsDirectoryA(const char* path) {
    return path != nullptr && IsDirectory(path) ? TRUE : FALSE;
}

char* PathCombineA(char* result, const char* folder, const char* name) {
    if (result == nullptr || (folder == nullptr && name == nullptr)) {
        return nullptr;
    }
    std::string joined = JoinPath(folder != nullptr ? folder : "", name != nullptr ? name : "");
    if (joined.size() >= MAX_PATH) {
        result[0] = '\0';
        return nullptr;
    }
    std::memcpy(result, joined.c_str(), joined.size() + 1);
    return result;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bytes.clear();
    char block[65536];
    DWORD read = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(file, block, sizeof block, &read, nullptr)) && read > 0) {
        bytes.append(block, read);
    }
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(ok ? 0 : error);
    return ok;
}
