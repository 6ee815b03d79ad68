#pragma once
// The import command's flags as the engine's ImportOptions and ImportFilter.
//
//   --conflict leave            ConflictResolution 2
//   --timezone Europe/Berlin    DefaultTimeZone from that zone, named after it
//   --only-labels 2,8           LabelMask 0x82, Flags 0x20

#include "engine/import/import_options.h"
#include "host/import_command.h"

#include <string>

struct ImportRequest {
    ImportOptions options;
    ImportFilter filter;
};

// Fills everything but the application and the target folder; false with a
// message for a value that cannot be used (conflict, zone, label, date).
bool BuildImportRequest(const ImportCommandOptions& flags, ImportRequest& request,
                        std::string& error);
