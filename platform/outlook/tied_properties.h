#pragma once
// The named properties every store maps from the start, with the property ids
// they get: those that mean something to the appointment (start and end in
// UTC, the pattern range, the series' zone, the colour label, the meeting's
// global object ids and the task and reminder times).

#include "engine/common/outlook_constants.h"

#include <string_view>

struct PremappedName {
    // A view, so that comparing a set GUID with it needs no length count.
    std::u16string_view setGuid;
    LONG id;
    LONG propId;
};

inline constexpr LONG kPropStartWhole = 0x8000;
inline constexpr LONG kPropEndWhole = 0x8001;
inline constexpr LONG kPropLabel = 0x8002;
inline constexpr LONG kPropZoneStruct = 0x8003;
inline constexpr LONG kPropZoneDescription = 0x8004;
inline constexpr LONG kPropPatternStart = 0x8005;
inline constexpr LONG kPropPatternEnd = 0x8006;
inline constexpr LONG kPropReminderTime = 0x8007;
inline constexpr LONG kPropCommonStart = 0x8008;
inline constexpr LONG kPropCommonEnd = 0x8009;
inline constexpr LONG kPropReminderNextTime = 0x800A;
inline constexpr LONG kPropGlobalObjectId = 0x800B;
inline constexpr LONG kPropCleanGlobalObjectId = 0x800C;
// The first id given to names mapped later.
inline constexpr LONG kFirstFreePropId = 0x800D;

inline constexpr PremappedName kPremappedNames[] = {
    {PSETID_Appointment, dispidApptStartWhole, kPropStartWhole},
    {PSETID_Appointment, dispidApptEndWhole, kPropEndWhole},
    {PSETID_Appointment, dispidAppointmentColor, kPropLabel},
    {PSETID_Appointment, dispidTimeZoneStruct, kPropZoneStruct},
    {PSETID_Appointment, dispidTimeZoneDesc, kPropZoneDescription},
    {PSETID_Appointment, dispidClipStart, kPropPatternStart},
    {PSETID_Appointment, dispidClipEnd, kPropPatternEnd},
    {PSETID_Common, dispidReminderTime, kPropReminderTime},
    {PSETID_Common, dispidCommonStart, kPropCommonStart},
    {PSETID_Common, dispidCommonEnd, kPropCommonEnd},
    {PSETID_Common, dispidReminderNextTime, kPropReminderNextTime},
    {PSETID_Meeting, dispidGlobalObjectId, kPropGlobalObjectId},
    {PSETID_Meeting, dispidCleanGlobalObjectId, kPropCleanGlobalObjectId},
};

// Property ids of the plain MAPI tags the engines use.
inline constexpr LONG kPropSenderName = PROP_ID(PR_SENDER_NAME);
inline constexpr LONG kPropSenderEmailAddress = PROP_ID(PR_SENDER_EMAIL_ADDRESS);
