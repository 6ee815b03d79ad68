#pragma once
// SupportInitRecord: the 180-byte start-up record handed to LibOrvaneInitEx.
// Its layout is fixed byte for byte (see support_init_record.cpp).

#include "platform/win32/types.h"

struct SupportInitRecord {
    BYTE bytes[180];
};
static_assert(sizeof(SupportInitRecord) == 180);
