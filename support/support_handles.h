#pragma once
// Support handles: 32-bit numbers that stand for pointers in the start-up
// record, whose pointer slots are 4 bytes wide while pointers here are 8.
// The add-in registers each pointer it puts into the record; the support
// library turns the numbers back into pointers through ResolveSupportHandle,
// which the wrapper installs in the library.

#include "platform/win32/types.h"

// The handle of a pointer, the same one each time it is asked for; 0 for null.
DWORD SupportHandleOf(const void* pointer);

// The pointer a handle stands for; null for 0 and for unknown handles.
void* ResolveSupportHandle(DWORD handle);
