#pragma once
// What the host sets up before any command runs, as Outlook and Windows
// would have it: the settings registry in the config folder (with the
// machine data from the module folder) and its warnings routed to the log.

#include "host/data_locations.h"

void OpenHostSession(const DataLocations& locations);
