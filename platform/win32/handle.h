#pragma once
// Kernel object handles: a HANDLE names an object (an open file, a folder
// search, ...) in one process-wide table until CloseHandle removes it.
// Each kind of object derives from KernelObject; its destructor releases
// what it holds, once the last call using it has finished.

#include "platform/win32/types.h"

#include <cstdint>
#include <memory>

using HANDLE = void*;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Closes any handle; FALSE with ERROR_INVALID_HANDLE for one not open.
BOOL CloseHandle(HANDLE handle);

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Enters the object in the table and returns its new handle.
HANDLE NewHandle(std::shared_ptr<KernelObject> object);

// The object behind the handle when it is open and of kind T, else null.
std::shared_ptr<KernelObject> HandleObject(HANDLE handle);
template <typename T>
std::shared_ptr<T> HandleObjectOf(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(HandleObject(handle));
}

// Removes the handle if it names an object for which isKind holds (of
// kind T, for CloseHandleOf); false otherwise.
bool CloseHandleIf(HANDLE handle, bool (*isKind)(const KernelObject&));
template <typename T>
bool CloseHandleOf(HANDLE handle) {
    return CloseHandleIf(handle, [](const KernelObject& object) {
        return dynamic_cast<const T*>(&object) != nullptr;
    });
}
