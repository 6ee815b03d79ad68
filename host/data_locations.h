#pragma once
// Where the program keeps its data: the calendar store, the settings
// (registry file) and the log, each from a flag, else the environment, else
// the XDG default folders under the user's home.

#include <string>

struct DataLocations {
    std::string storeFile;
    std::string configFolder;
    std::string logFile;
};

// storeFlag and configFlag are the --store and --config values (empty when
// not given).
DataLocations ResolveDataLocations(const std::string& storeFlag, const std::string& configFlag);
