#include "support/support_handles.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex tableMutex;

// Handle n stands for the pointer at index n - 1. Entries stay for the life
// of the process, so a handle never changes its meaning.
std::vector<const void*>& Table() {
    static auto* table = new std::vector<const void*>;
    return *table;
}

} // namespace

DWORD SupportHandleOf(const void* pointer) {
    if (pointer == nullptr) {
        return 0;
    }
    std::lock_guard lock(tableMutex);
    std::vector<const void*>& table = Table();
    auto found = std::find(table.begin(), table.end(), pointer);
    if (found == table.end()) {
        found = table.insert(table.end(), pointer);
    }
    return static_cast<DWORD>(found - table.begin()) + 1;
}

void* ResolveSupportHandle(DWORD handle) {
    std::lock_guard lock(tableMutex);
    const std::vector<const void*>& table = Table();
    if (handle == 0 || handle > table.size()) {
        return nullptr;
    }
    return const_cast<void*>(table[handle - 1]);
}
