#pragma once
// IUnknown: the base of every object handed out as a counted reference. The
// object starts with no references, the first holder takes one (CComPtr does),
// and the release of the last one deletes the object.

#include "platform/win32/types.h"

#include <atomic>

using ULONG = DWORD;

class IUnknown {
public:
    IUnknown() = default;
    IUnknown(const IUnknown&) = delete;
    IUnknown& operator=(const IUnknown&) = delete;

    // Both return the new count (for diagnostics only, as in COM).
    ULONG AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() noexcept {
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~IUnknown() = default;

private:
    std::atomic<ULONG> refs_{0};
};
