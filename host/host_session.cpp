#include "host/host_session.h"

#include "platform/win32/module.h"
#include "platform/win32/registry.h"
#include "support/platform_log.h"

void OpenHostSession(const DataLocations& locations) {
    LogPlatformWarnings();
    RegistryOpen(locations.configFolder, ModuleFolder() + "/machine.json");
}
