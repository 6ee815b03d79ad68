#pragma once
// The named properties the import writes beside an appointment's fields:
// its time zone (rule and name, with its stored UTC times shifted so that
// its wall-clock times stay) and its meeting UID (the global object id).

#include "engine/common/outlook_appointment.h"
#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"

#include <string>

// 0, or -1 without an appointment or utils, -2 when the current zone
// cannot be had, -3 when the zone property cannot be mapped.
int SetAppointmentTimezone(_AppointmentItem* item, IMAPIUtils* utils, const TimeZoneRule& rule,
                           const std::string& name);

// Stores the UID text as the appointment's global object id.
void SetMeetingUID(_AppointmentItem& item, IMAPIUtils& utils, const std::string& uid);
