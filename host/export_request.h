#pragma once
// The export command's flags as the engine's ExportOptions and ExportFilter.
//
//   --only-labels 2,8      LabelMask 0x82, Flags 0x20
//   --after 2007-03-01     DateFrom 1 March 2007 00:00, Flags 0x40

#include "engine/export/export_filter.h"
#include "engine/export/export_options.h"
#include "host/export_command.h"

#include <string>

struct ExportRequest {
    ExportOptions options;
    ExportFilter filter;
};

// Fills everything but the folder; false with a message for a value that
// cannot be used (format, encoding, label, date).
bool BuildExportRequest(const ExportCommandOptions& flags, ExportRequest& request,
                        std::string& error);
