#pragma once
// Where the system keeps its registry values: below HKEY_CURRENT_USER for the
// user's choices, and below HKEY_LOCAL_MACHINE for machine-wide defaults.

inline constexpr const char* kSettingsKeyPath = "Software\\Orvane\\Quillane";
