#include "host/data_locations.h"

#include <cstdlib>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// $XDG_<kind>_HOME, else ~/<fallback>.
std::string XdgFolder(const char* variable, const char* fallback) {
    std::string folder = Env(variable);
    if (folder.empty()) {
        std::string home = Env("HOME");
        folder = (home.empty() ? std::string(".") : home) + "/" + fallback;
    }
    return folder + "/quillane";
}

} // namespace

DataLocations ResolveDataLocations(const std::string& storeFlag, const std::string& configFlag) {
    DataLocations locations;
    locations.storeFile = storeFlag;
    if (locations.storeFile.empty()) {
        locations.storeFile = Env("QUILLANE_STORE");
    }
    if (locations.storeFile.empty()) {
        locations.storeFile = XdgFolder("XDG_DATA_HOME", ".local/share") + "/calendar.db";
    }
    locations.configFolder =
        configFlag.empty() ? XdgFolder("XDG_CONFIG_HOME", ".config") : configFlag;
    locations.logFile = XdgFolder("XDG_STATE_HOME", ".local/state") + "/quillane.log";
    return locations;
}
