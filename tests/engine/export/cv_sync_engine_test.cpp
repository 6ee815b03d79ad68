// The engine holder: the settings key it opens for the pages and the Outlook
// version it hands to the export engine.

#include "engine/export/cv_sync_engine.h"
#include "platform/win32/registry.h"

#include <gtest/gtest.h>

namespace {

class SyncEngineTest : public ::testing::Test {
protected:
    SyncEngineTest() { RegistryReset(); }
    ~SyncEngineTest() override { RegistryReset(); }
};

TEST_F(SyncEngineTest, CreatesTheSettingsKeyForReadingAndWriting) {
    CvSyncEngine engine(nullptr, 12);

    ASSERT_NE(engine.SettingsKey, nullptr);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(engine.SettingsKey, "Appointments.Export.OneFile", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&one), sizeof one),
              ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD value = 0, size = sizeof value, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Appointments.Export.OneFile", nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    RegCloseKey(key);
    EXPECT_EQ(engine.ExportEngine().outlookVersion, 12);
}

} // namespace
