#include "platform/win32/registry.h"
#include "support/registry_log.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(RegistryLog, DamagedSettingsFileIsLoggedAsAWarning) {
    TempFolder state;
    TempFolder config;
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    config.Write("registry.json", "{ truncated");
    LogRegistryWarnings();
    RegistryOpen(config.Path(), config.File("machine.json"));
    SetRegistryWarningSink(nullptr);
    RegistryReset();

    std::string log = state.Read("quillane/quillane.log");
    EXPECT_NE(log.find("WARNING"), std::string::npos) << log;
    EXPECT_NE(log.find("RegistryOpen"), std::string::npos) << log;
    EXPECT_NE(log.find("registry.json.damaged-"), std::string::npos) << log;
    EXPECT_NE(log.find("machine.json cannot be read"), std::string::npos) << log;
}

} // namespace
