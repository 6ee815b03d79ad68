#pragma once
// The calendar store's JSON, as `quillane store load` reads it and `quillane
// store dump` writes it: an array of appointment objects whose keys are
// Outlook's property names in snake case ("subject", "start", "recurrence",
// ...). Dump writes every key (null where an appointment has no value); load
// takes any subset. Local times are written "2007-03-05T09:00:00".

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_folder.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

// A value that cannot be loaded; the message names the key.
class StoreJsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

nlohmann::json DumpAppointment(const CComPtr<_AppointmentItem>& item);

// Fills a new appointment from the object and saves it; raises
// StoreJsonError for a value of the wrong kind and _com_error for one the
// store refuses.
void LoadAppointment(const nlohmann::json& object, const CComPtr<_AppointmentItem>& item);

// Checks the kinds of the object's values without touching the store, so
// that a bad file is refused before anything is loaded.
void CheckAppointment(const nlohmann::json& object);

// "\\Personal Folders\Calendar" for a folder, and the folder for such a path
// (create: missing folders below the top are added).
std::string FolderPath(const CComPtr<MAPIFolder>& folder);
CComPtr<MAPIFolder> FindFolder(const CComPtr<_NameSpace>& session, const std::string& path,
                               bool create);

// UTF-8 and UTF-16.
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

// "YYYY-MM-DDTHH:MM:SS" (or "YYYY-MM-DD" for midnight); false when not one.
bool ParseLocalDateTime(const std::string& text, DATE& out);
std::string FormatLocalDateTime(DATE date);
