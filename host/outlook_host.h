#pragma once
// Outlook as the host plays it for a command: the calendar store opened (and
// created with its folder on first use), the Redemption objects over it and
// the add-in's language file chosen, as they are when the add-in starts.

#include "engine/common/outlook_application.h"

#include <functional>
#include <iosfwd>
#include <string>

// Raises _com_error when the store file cannot be used.
CComPtr<_Application> OpenOutlook(const std::string& storeFile, int outlookVersion);

// Runs a command against Outlook with the process's character-set converter
// in place (made for the command when none exists yet). A store that cannot
// be used is reported on err as "quillane <command>: <reason>" and gives the
// usage status; otherwise the run's own status is returned.
int RunWithOutlook(const std::string& storeFile, int outlookVersion, const char* command,
                   std::ostream& err, const std::function<int(const CComPtr<_Application>&)>& run);
