#pragma once
// Outlook's enumeration values and MAPI property tags as the engines, the
// pages and the calendar store use them.

#include "platform/win32/types.h"

// Item types of Application.CreateItem, Items.Add and Folder.DefaultItemType.
enum OlItemType : LONG { olMailItem = 0, olAppointmentItem = 1 };

// Folders of NameSpace.GetDefaultFolder.
enum OlDefaultFolders : LONG { olFolderInbox = 6, olFolderCalendar = 9 };

// The Class of an object; a folder answers olFolder.
enum OlObjectClass : LONG {
    olApplication = 0,
    olNamespace = 1,
    olFolder = 2,
    olAppointment = 26,
    olMail = 43,
};

enum OlRecurrenceType : LONG {
    olRecursDaily = 0,
    olRecursWeekly = 1,
    olRecursMonthly = 2,
    olRecursMonthNth = 3,
    olRecursYearly = 5,
    olRecursYearNth = 6,
};

// Bits of RecurrencePattern.DayOfWeekMask.
enum OlDaysOfWeek : LONG {
    olSunday = 1,
    olMonday = 2,
    olTuesday = 4,
    olWednesday = 8,
    olThursday = 16,
    olFriday = 32,
    olSaturday = 64,
};

enum OlRecurrenceState : LONG {
    olApptNotRecurring = 0,
    olApptMaster = 1,
    olApptOccurrence = 2,
    olApptException = 3,
};

enum OlSensitivity : LONG { olNormal = 0, olPersonal = 1, olPrivate = 2, olConfidential = 3 };
enum OlImportance : LONG { olImportanceLow = 0, olImportanceNormal = 1, olImportanceHigh = 2 };
enum OlBusyStatus : LONG { olFree = 0, olTentative = 1, olBusy = 2, olOutOfOffice = 3 };
enum OlMeetingStatus : LONG { olNonMeeting = 0, olMeeting = 1 };

// Recipient types: 0 originator (Redemption), 1 required, 2 optional, 3 resource.
enum OlMeetingRecipientType : LONG {
    olOrganizer = 0,
    olRequired = 1,
    olOptional = 2,
    olResource = 3,
};

// MAPI property types: the low word of a property tag.
inline constexpr LONG PT_UNSPECIFIED = 0x0000;
inline constexpr LONG PT_LONG = 0x0003;
inline constexpr LONG PT_BOOLEAN = 0x000B;
inline constexpr LONG PT_STRING8 = 0x001E;
inline constexpr LONG PT_UNICODE = 0x001F;
inline constexpr LONG PT_SYSTIME = 0x0040;
inline constexpr LONG PT_BINARY = 0x0102;

constexpr LONG PROP_TAG(LONG type, LONG id) {
    return static_cast<LONG>((static_cast<DWORD>(id) << 16) | static_cast<DWORD>(type & 0xFFFF));
}
constexpr LONG PROP_ID(LONG tag) {
    return static_cast<LONG>(static_cast<DWORD>(tag) >> 16);
}
constexpr LONG PROP_TYPE(LONG tag) {
    return tag & 0xFFFF;
}

inline constexpr LONG PR_SENDER_NAME = PROP_TAG(PT_STRING8, 0x0C1A);
inline constexpr LONG PR_SENDER_EMAIL_ADDRESS = PROP_TAG(PT_STRING8, 0x0C1F);

// Property sets of the named properties the engines read and write.
inline constexpr const char16_t* PSETID_Appointment = u"{00062002-0000-0000-C000-000000000046}";
inline constexpr const char16_t* PSETID_Common = u"{00062008-0000-0000-C000-000000000046}";
inline constexpr const char16_t* PSETID_Meeting = u"{6ED8DA90-450B-101B-98DA-00AA003F1305}";

// Named property ids in PSETID_Appointment.
inline constexpr LONG dispidApptStartWhole = 0x820D;
inline constexpr LONG dispidApptEndWhole = 0x820E;
inline constexpr LONG dispidAppointmentColor = 0x8214;
inline constexpr LONG dispidTimeZoneStruct = 0x8233;
inline constexpr LONG dispidTimeZoneDesc = 0x8234;
inline constexpr LONG dispidClipStart = 0x8235;
inline constexpr LONG dispidClipEnd = 0x8236;
// Named property ids in PSETID_Common.
inline constexpr LONG dispidReminderTime = 0x8502;
inline constexpr LONG dispidCommonStart = 0x8516;
inline constexpr LONG dispidCommonEnd = 0x8517;
inline constexpr LONG dispidReminderNextTime = 0x8560;
// Named property ids in PSETID_Meeting.
inline constexpr LONG dispidGlobalObjectId = 0x0003;
inline constexpr LONG dispidCleanGlobalObjectId = 0x0023;
