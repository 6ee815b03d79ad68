#pragma once
// The callbacks the start-up record hands to the support library: the
// user-interface language and the version texts of the About box.

#include "platform/liborvane/lib_orvane_abi.h"

// The LANG setting: per user (HKEY_CURRENT_USER\Software\Orvane\Quillane),
// else machine-wide (the same path under HKEY_LOCAL_MACHINE), else "EN"; at
// most 255 characters. The text stays valid until the next call.
const char16_t* SupportLanguage();

// Fills the texts with the language texts IDS_VI_FILE_DESCRIPTION,
// IDS_VI_COMMENTS and IDS_VI_LEGAL_COPYRIGHT and returns them; they stay
// valid until the next call.
SupportVersionTexts* FillVersionTexts(SupportVersionTexts* texts);
