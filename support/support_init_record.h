#pragma once
// SupportInitRecord: the 180-byte start-up record handed to LibOrvaneInitEx.
// Its layout is fixed byte for byte (the offsets are in
// platform/liborvane/lib_orvane_abi.h); pointer fields hold support handles
// (support/support_handles.h).

#include "platform/win32/types.h"

struct SupportInitRecord {
    BYTE bytes[180];
};
static_assert(sizeof(SupportInitRecord) == 180);

// The record as start-up hands it over: zero-filled, the size 180, the
// Outlook Application object, the language and version-texts callbacks, the
// default language "EN", three empty texts and the fixed flag values.
SupportInitRecord BuildSupportInitRecord(void* outlookApplication);
