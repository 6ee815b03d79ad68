#pragma once
// Calendar folders named by their path as Outlook shows it:
// "\\Personal Folders\Calendar" is the folder Calendar in the store whose
// top folder is Personal Folders.

#include "engine/common/outlook_folder.h"

#include <string>

// The folder at the path (UTF-8 names; empty path: the default calendar);
// raises _com_error when there is no such folder.
CComPtr<MAPIFolder> FolderAtPath(_NameSpace& session, const std::string& path);
