#include "platform/win32/module.h"

#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex folderMutex;
std::string folderOverride;

// The add-in module's handle: a fixed non-null value, since the add-in is
// linked into the program rather than loaded.
HMODULE const addinModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x10000000u));

std::string ExecutableFolder() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string folder(path, static_cast<size_t>(length));
    size_t slash = folder.rfind('/');
    return slash == std::string::npos ? "." : folder.substr(0, slash);
}

std::string SharedObjectName(const char* name) {
    std::string file = name;
    size_t dot = file.rfind('.');
    if (dot != std::string::npos && strcasecmp(file.c_str() + dot, ".dll") == 0) {
        file.erase(dot);
    }
    return file + ".so";
}

bool IsAddinName(const char* name) {
    return name == nullptr || strcasecmp(name, "Quillane.dll") == 0 ||
           strcasecmp(name, "Quillane") == 0;
}

} // namespace

std::string ModuleFolder() {
    std::lock_guard lock(folderMutex);
    return folderOverride.empty() ? ExecutableFolder() : folderOverride;
}

void SetModuleFolder(const std::string& folder) {
    std::lock_guard lock(folderMutex);
    folderOverride = folder;
}

HMODULE LoadLibraryA(const char* name) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string file = SharedObjectName(name);
    void* handle = nullptr;
    if (file.find('/') == std::string::npos) {
        handle = dlopen((ModuleFolder() + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle == nullptr) {
        handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(module, name);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC proc;
    static_assert(sizeof proc == sizeof symbol);
    std::memcpy(&proc, &symbol, sizeof proc);
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr || module == addinModule) {
        return module != nullptr ? TRUE : FALSE;
    }
    return dlclose(module) == 0 ? TRUE : FALSE;
}

HMODULE GetModuleHandleA(const char* name) {
    if (IsAddinName(name)) {
        return addinModule;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, char* fileName, DWORD size) {
    if (module != addinModule || fileName == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::string path = ModuleFolder() + "/Quillane.dll";
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
