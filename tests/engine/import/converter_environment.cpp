// The process's character-set converter, created from the catalogue in the
// module folder for every test of this program, as the add-in does at
// start-up.

#include "engine/common/v_sync_char_converter.h"

#include <gtest/gtest.h>

namespace {

class ConverterEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_charConverter = new vSyncCharConverter(); }
    void TearDown() override {
        delete g_charConverter;
        g_charConverter = nullptr;
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ConverterEnvironment());

} // namespace
