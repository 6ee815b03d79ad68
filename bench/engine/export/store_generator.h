#pragma once
// A deterministic generator of calendar stores for the export benchmarks:
// appointments of the kinds real calendars hold, the same on every run. Out
// of every 20: 11 plain (location, categories, reminder), 2 all-day, 3
// meetings with an organizer and three attendees, 2 weekly series in their
// own zone with a deleted and a moved occurrence, 1 private with a body,
// 1 daily series without end.

#include "engine/common/outlook_folder.h"

// Adds n appointments to the folder, in transactions of 10,000.
void GenerateAppointments(const CComPtr<_Application>& outlook, const CComPtr<MAPIFolder>& folder,
                          long n);
