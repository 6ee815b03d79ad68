#pragma once
// The start-up choice of the language file. The registry value LANG holds the
// user's language id (for example "EN") and LANG_ the file name relative to
// the module folder, both below HKEY_CURRENT_USER\Software\Orvane\Quillane:
//
// 1. A LANG missing for the user is taken from the machine-wide value, else
//    "EN"; LANG_ is then emptied, and both are stored for the user.
// 2. When LANG_ names a file whose langid is LANG, that file is loaded. A
//    file of another language empties LANG_.
// 3. Otherwise the module folder is searched for "*.ini" files of that
//    language; the one found is stored back as LANG and LANG_.
//
// When no file fits, the error is logged and the object stays empty.

#include <string>

class CLang;

// Chooses among the language files of the add-in's folder.
bool ChooseLanguageFile(CLang& lang, const std::string& addinFolder);
// The same for the module folder (platform/win32/module.h).
bool ChooseLanguageFile(CLang& lang);
