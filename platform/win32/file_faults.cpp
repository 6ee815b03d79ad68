#include "platform/win32/file_faults.h"

#include <algorithm>
#include <limits>
#include <mutex>

namespace {

struct Countdown {
    unsigned remaining = 0; // 0: no fault armed
    DWORD error = 0;

    DWORD Tick() {
        if (remaining == 0 || --remaining != 0) {
            return 0;
        }
        return error;
    }
};

struct Faults {
    std::mutex mutex;
    Countdown open;
    Countdown write;
    std::uint64_t space = std::numeric_limits<std::uint64_t>::max();
    bool happened = false;
};

Faults& State() {
    static Faults faults;
    return faults;
}

DWORD Tick(Countdown Faults::*countdown) {
    Faults& faults = State();
    std::lock_guard lock(faults.mutex);
    DWORD error = (faults.*countdown).Tick();
    faults.happened = faults.happened || error != 0;
    return error;
}

} // namespace

void FailNthWrite(unsigned n, DWORD error) {
    std::lock_guard lock(State().mutex);
    State().write = {n, error};
}

void FailNthOpen(unsigned n, DWORD error) {
    std::lock_guard lock(State().mutex);
    State().open = {n, error};
}

void LimitDiskSpace(std::uint64_t bytes) {
    std::lock_guard lock(State().mutex);
    State().space = bytes;
}

bool FileFaultHappened() {
    std::lock_guard lock(State().mutex);
    return State().happened;
}

void ClearFileFaults() {
    Faults& faults = State();
    std::lock_guard lock(faults.mutex);
    faults.open = {};
    faults.write = {};
    faults.space = std::numeric_limits<std::uint64_t>::max();
    faults.happened = false;
}

DWORD InjectedOpenFault() {
    return Tick(&Faults::open);
}

DWORD InjectedWriteFault() {
    return Tick(&Faults::write);
}

std::uint64_t DiskSpaceFor(std::uint64_t size) {
    Faults& faults = State();
    std::lock_guard lock(faults.mutex);
    std::uint64_t granted = std::min(size, faults.space);
    if (faults.space != std::numeric_limits<std::uint64_t>::max()) {
        faults.space -= granted;
    }
    faults.happened = faults.happened || granted < size;
    return granted;
}
