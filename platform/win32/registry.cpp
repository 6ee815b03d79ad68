#include "platform/win32/registry.h"

#include "platform/win32/platform_warning.h"
#include "platform/win32/registry_file.h"
#include "platform/win32/registry_json.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct OpenKey {
    RegNode* node = nullptr;
    bool user = false; // in HKEY_CURRENT_USER, so changes go to its file
    REGSAM access = 0;
};

struct Warning {
    LONG code;
    std::string text;
};

struct Registry {
    std::mutex mutex;
    RegNode user;
    RegNode machine;
    std::string userFile; // empty: HKEY_CURRENT_USER lives in memory only
    std::map<std::uintptr_t, OpenKey> handles;
    std::uintptr_t nextHandle = 0x1000;
    std::vector<Warning> warnings; // reported once the lock is released
};

Registry& State() {
    static Registry registry;
    return registry;
}

std::atomic<std::uint64_t> g_changes{0};

// Runs the operation under the registry's lock, then hands the warnings it
// queued (reporting them may itself use the registry).
template <typename Operation>
auto Locked(Operation operation) {
    Registry& registry = State();
    std::vector<Warning> warnings;
    auto result = [&] {
        std::lock_guard lock(registry.mutex);
        auto value = operation(registry);
        warnings.swap(registry.warnings);
        return value;
    }();
    for (const Warning& warning : warnings) {
        ReportPlatformWarning("RegistryOpen", warning.code, warning.text.c_str());
    }
    return result;
}

void Clear(Registry& registry) {
    ++g_changes;
    registry.user = RegNode();
    registry.machine = RegNode();
    registry.userFile.clear();
    registry.handles.clear();
}

bool Resolve(Registry& registry, HKEY key, OpenKey& open) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        bool user = key == HKEY_CURRENT_USER;
        open = {user ? &registry.user : &registry.machine, user, KEY_ALL_ACCESS};
        return true;
    }
    auto found = registry.handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == registry.handles.end()) {
        return false;
    }
    open = found->second;
    return true;
}

HKEY NewHandle(Registry& registry, const OpenKey& open) {
    std::uintptr_t value = registry.nextHandle;
    registry.nextHandle += 4;
    registry.handles[value] = open;
    return reinterpret_cast<HKEY>(value);
}

LONG Persist(Registry& registry, const OpenKey& open) {
    ++g_changes;
    if (!open.user || registry.userFile.empty()) {
        return ERROR_SUCCESS;
    }
    std::string error;
    LONG code = SaveUserHive(registry.userFile, registry.user, error);
    if (code != ERROR_SUCCESS) {
        registry.warnings.push_back({code, error});
    }
    return code;
}

// A name the key's hive can keep: HKEY_CURRENT_USER's file holds UTF-8 only.
bool StorableName(const OpenKey& open, const std::string& name) {
    return !open.user || IsUtf8(name);
}

std::string ValueName(const char* name) {
    return name == nullptr ? std::string() : std::string(name);
}

LONG QueryValue(const RegValue& value, DWORD* type, BYTE* data, DWORD* dataSize) {
    DWORD size = static_cast<DWORD>(value.data.size());
    if (type != nullptr) {
        *type = value.type;
    }
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && size > 0) {
        std::memcpy(data, value.data.data(), size);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

// The open key a handle names and the key names of a path below it.
LONG ResolveSubKey(Registry& registry, HKEY key, const char* subKey, OpenKey& parent,
                   std::vector<std::string>& names) {
    if (!Resolve(registry, key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    bool valid = false;
    names = SplitKeyPath(subKey == nullptr ? "" : subKey, valid);
    return valid ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

LONG CreateKey(Registry& registry, const OpenKey& parent, const std::vector<std::string>& names,
               REGSAM access, HKEY* result, DWORD* disposition) {
    bool created = false;
    RegNode* node = parent.node;
    for (const std::string& name : names) {
        if (created || node->Child(name) == nullptr) {
            if ((parent.access & KEY_CREATE_SUB_KEY) == 0) {
                return ERROR_ACCESS_DENIED;
            }
            if (!StorableName(parent, name)) {
                return ERROR_INVALID_PARAMETER;
            }
        }
        node = node->ChildOrNew(name, created);
    }
    OpenKey open{node, parent.user, access};
    LONG status = created ? Persist(registry, open) : ERROR_SUCCESS;
    if (status == ERROR_SUCCESS) {
        *result = NewHandle(registry, open);
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return status;
}

LONG CopyName(const std::string& source, char* name, DWORD* nameSize) {
    if (source.size() + 1 > *nameSize) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, source.c_str(), source.size() + 1);
    *nameSize = static_cast<DWORD>(source.size());
    return ERROR_SUCCESS;
}

void ClearClassAndTime(char* className, DWORD* classSize, void* lastWriteTime) {
    if (className != nullptr && classSize != nullptr && *classSize > 0) {
        className[0] = '\0';
    }
    if (classSize != nullptr) {
        *classSize = 0;
    }
    if (lastWriteTime != nullptr) {
        std::memset(lastWriteTime, 0, 8); // a FILETIME: no time is kept
    }
}

} // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    return Locked([&](Registry& registry) {
        OpenKey parent;
        std::vector<std::string> names;
        LONG status = ResolveSubKey(registry, key, subKey, parent, names);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        RegNode* node = FindKey(*parent.node, names);
        if (node == nullptr) {
            return ERROR_FILE_NOT_FOUND;
        }
        *result = NewHandle(registry, {node, parent.user, access});
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char*, DWORD, REGSAM access,
                     void*, HKEY* result, DWORD* disposition) {
    if (result == nullptr || reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    return Locked([&](Registry& registry) {
        OpenKey parent;
        std::vector<std::string> names;
        LONG status = ResolveSubKey(registry, key, subKey, parent, names);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        return CreateKey(registry, parent, names, access, result, disposition);
    });
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    return Locked([&](Registry& registry) {
        return registry.handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 1
                   ? ERROR_SUCCESS
                   : ERROR_INVALID_HANDLE;
    });
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Registry& registry) {
        OpenKey open;
        if (!Resolve(registry, key, open)) {
            return ERROR_INVALID_HANDLE;
        }
        if ((open.access & KEY_QUERY_VALUE) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        auto found = open.node->values.find(ValueName(valueName));
        if (found == open.node->values.end()) {
            return ERROR_FILE_NOT_FOUND;
        }
        return QueryValue(found->second, type, data, dataSize);
    });
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (reserved != 0 || (data == nullptr && dataSize != 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Registry& registry) {
        OpenKey open;
        if (!Resolve(registry, key, open)) {
            return ERROR_INVALID_HANDLE;
        }
        std::string name = ValueName(valueName);
        if ((open.access & KEY_SET_VALUE) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        if (!StorableName(open, name)) {
            return ERROR_INVALID_PARAMETER;
        }
        RegValue& value = open.node->values[name];
        value.type = type;
        value.data.assign(data, data + dataSize);
        return Persist(registry, open);
    });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
    return Locked([&](Registry& registry) {
        OpenKey open;
        if (!Resolve(registry, key, open)) {
            return ERROR_INVALID_HANDLE;
        }
        if ((open.access & KEY_SET_VALUE) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        if (open.node->values.erase(ValueName(valueName)) == 0) {
            return ERROR_FILE_NOT_FOUND;
        }
        return Persist(registry, open);
    });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* className, DWORD* classSize, void* lastWriteTime) {
    if (name == nullptr || nameSize == nullptr || reserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Registry& registry) {
        OpenKey open;
        if (!Resolve(registry, key, open)) {
            return ERROR_INVALID_HANDLE;
        }
        if ((open.access & KEY_ENUMERATE_SUB_KEYS) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        if (index >= open.node->subkeys.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        ClearClassAndTime(className, classSize, lastWriteTime);
        return CopyName(std::next(open.node->subkeys.begin(), index)->first, name, nameSize);
    });
}

void RegistryOpen(const std::string& configFolder, const std::string& machineDataFile) {
    Locked([&](Registry& registry) {
        Clear(registry);
        std::string machineWarning = LoadMachineHive(machineDataFile, registry.machine);
        if (!machineWarning.empty()) {
            registry.warnings.push_back({ERROR_FILE_NOT_FOUND, machineWarning});
        }
        if (configFolder.empty()) {
            return 0;
        }
        std::string userFile = configFolder + "/registry.json";
        RegistryFileLoad load = LoadUserHive(userFile, registry.user);
        if (!load.warning.empty()) {
            registry.warnings.push_back({ERROR_BADDB, load.warning});
        }
        registry.userFile = load.writable ? userFile : "";
        return 0;
    });
}

std::uint64_t RegistryChangeCount() {
    return g_changes.load();
}

void RegistryReset() {
    Locked([](Registry& registry) {
        Clear(registry);
        return 0;
    });
}
