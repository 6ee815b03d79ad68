#include "platform/win32/handle.h"

#include <map>
#include <mutex>

namespace {

struct HandleTable {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t next = 0x100;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

} // namespace

HANDLE NewHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    std::uintptr_t value = table.next;
    table.next += 4;
    table.objects[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleObject(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool CloseHandleIf(HANDLE handle, bool (*isKind)(const KernelObject&)) {
    std::shared_ptr<KernelObject> closed; // released after the lock
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end() || !isKind(*found->second)) {
        return false;
    }
    closed = std::move(found->second);
    table.objects.erase(found);
    return true;
}

BOOL CloseHandle(HANDLE handle) {
    if (!CloseHandleIf(handle, [](const KernelObject&) { return true; })) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
