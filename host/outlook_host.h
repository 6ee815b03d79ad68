#pragma once
// Outlook as the host plays it for a command: the calendar store opened (and
// created with its folder on first use), the Redemption objects over it and
// the add-in's language file chosen, as they are when the add-in starts.

#include "engine/common/outlook_application.h"

#include <string>

// Raises _com_error when the store file cannot be used.
CComPtr<_Application> OpenOutlook(const std::string& storeFile, int outlookVersion);
