#pragma once
// Appointments for the export tests, described in the store's JSON form
// (Outlook's property names in snake case, local times of the system zone)
// and created through the object model as a user or an import would.
//
//   AddAppointments(calendar, utils, R"([{"subject": "Review",
//       "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:30:00"}])"_json);

#include "engine/common/outlook_folder.h"
#include "engine/common/redemption.h"

#include <nlohmann/json.hpp>

// Adds and saves one appointment per array element; raises _com_error for
// what the store refuses.
void AddAppointments(const CComPtr<MAPIFolder>& folder, IMAPIUtils& utils,
                     const nlohmann::json& appointments);

// "2007-03-05T09:00:00" as an OLE date.
DATE JsonDate(const std::string& text);
