#pragma once
// The calendar store's Redemption objects installed for a test's lifetime,
// with the MAPI utilities object that tests read and write properties
// through.

#include "engine/common/redemption.h"
#include "platform/outlook/outlook_store.h"

#include <gtest/gtest.h>

class StoreRedemption {
public:
    StoreRedemption() {
        SetRedemptionFactory(CreateStoreRedemptionObject);
        EXPECT_EQ(CreateRedemptionObject(kProgIdMapiUtils, utils), S_OK);
    }
    ~StoreRedemption() { SetRedemptionFactory(nullptr); }
    StoreRedemption(const StoreRedemption&) = delete;
    StoreRedemption& operator=(const StoreRedemption&) = delete;

    CComPtr<IMAPIUtils> utils;
};
