#include "platform/win32/platform_warning.h"
#include "platform/win32/registry.h"
#include "platform/win32/time_zone.h"
#include "support/platform_log.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformLog, DamagedSettingsFileIsLoggedAsAWarning) {
    TempFolder state;
    TempFolder config;
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    config.Write("registry.json", "{ truncated");
    LogPlatformWarnings();
    RegistryOpen(config.Path(), config.File("machine.json"));
    SetPlatformWarningSink(nullptr);
    RegistryReset();

    std::string log = state.Read("quillane/quillane.log");
    EXPECT_NE(log.find("WARNING"), std::string::npos) << log;
    EXPECT_NE(log.find("RegistryOpen"), std::string::npos) << log;
    EXPECT_NE(log.find("registry.json.damaged-"), std::string::npos) << log;
    EXPECT_NE(log.find("machine.json cannot be read"), std::string::npos) << log;
}

TEST(PlatformLog, UnknownTimeZoneIsLoggedAsAWarning) {
    TempFolder state;
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    ScopedEnv tz("TZ", "Nowhere/PlatformLogTest");
    LogPlatformWarnings();
    TIME_ZONE_INFORMATION info;
    GetTimeZoneInformation(&info);
    SetPlatformWarningSink(nullptr);

    std::string log = state.Read("quillane/quillane.log");
    EXPECT_NE(log.find("WARNING\tGetTimeZoneInformation\t0x00000000\tUnknown time zone "
                       "TZ=\"Nowhere/PlatformLogTest\""),
              std::string::npos)
        << log;
}

} // namespace
