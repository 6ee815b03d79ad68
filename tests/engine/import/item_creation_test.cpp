#include "engine/common/redemption.h"
#include "platform/win32/code_page.h"
#include "tests/engine/import/import_fixture.h"

namespace {

using ItemCreationTest = ImportTest;

struct AllDayRow {
    const char* name;
    std::vector<std::string> lines;
    bool allDay;
};

TEST_F(ItemCreationTest, AllDayFromDateValuesAndDayLongDurations) {
    const AllDayRow rows[] = {
        {"date to next date", {"DTSTART;VALUE=DATE:20070105", "DTEND;VALUE=DATE:20070106"}, true},
        {"date for P1D", {"DTSTART;VALUE=DATE:20070105", "DURATION:P1D"}, true},
        {"date for PT24H", {"DTSTART;VALUE=DATE:20070105", "DURATION:PT24H"}, true},
        {"date for PT23H", {"DTSTART;VALUE=DATE:20070105", "DURATION:PT23H"}, false},
        {"midnight date-times", {"DTSTART:20070105T000000", "DTEND:20070106T000000"}, false},
    };
    for (const AllDayRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> lines = row.lines;
        lines.push_back(std::string("SUMMARY:") + row.name);
        ImportRun run = ImportText("allday.ics", Calendar("2.0", Event(lines)));
        EXPECT_EQ(run.Counters.Imported, 1);
        CComPtr<_AppointmentItem> item = Appointments().back();
        EXPECT_EQ(item->GetAllDayEvent(), row.allDay);
        EXPECT_EQ(COleDateTime(item->GetStart()), COleDateTime(Local(2007, 1, 5)));
        item->Delete();
    }
}

struct ReminderRow {
    const char* name;
    const char* version;
    std::vector<std::string> lines;
    bool set;
    LONG minutes;
};

TEST_F(ItemCreationTest, RemindersFromRelativeAndAbsoluteAlarms) {
    const ReminderRow rows[] = {
        {"relative 15 minutes",
         "2.0",
         {"DTSTART:20300105T100000", "BEGIN:VALARM", "TRIGGER:-PT15M", "ACTION:DISPLAY",
          "END:VALARM"},
         true,
         15},
        {"absolute 10 minutes before",
         "1.0",
         {"DTSTART:20300105T100000", "DALARM:20300105T095000"},
         true,
         10},
        {"event in the past",
         "2.0",
         {"DTSTART:20070105T100000", "BEGIN:VALARM", "TRIGGER:-PT15M", "ACTION:DISPLAY",
          "END:VALARM"},
         false,
         0},
        {"relative 0 minutes",
         "2.0",
         {"DTSTART:20300105T100000", "BEGIN:VALARM", "TRIGGER:PT0M", "ACTION:DISPLAY",
          "END:VALARM"},
         false,
         0},
        {"no alarm", "2.0", {"DTSTART:20300105T100000"}, false, 0},
    };
    for (const ReminderRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string name = std::string("alarm.") + (row.version[0] == '1' ? "vcs" : "ics");
        ImportText(name, Calendar(row.version, Event(row.lines)));
        CComPtr<_AppointmentItem> item = Only();
        ASSERT_TRUE(item);
        EXPECT_EQ(item->GetReminderSet(), row.set);
        if (row.set) {
            EXPECT_EQ(item->GetReminderMinutesBeforeStart(), row.minutes);
        }
        item->Delete();
    }
}

TEST_F(ItemCreationTest, FieldsTextsAndStates) {
    ImportText(
        "fields.ics",
        Calendar("2.0",
                 Event({"DTSTART:20070105T100000", "DTEND:20070105T113000", "SUMMARY:Planning",
                        "LOCATION:Room 1", "DESCRIPTION:Bring the figures", "CLASS:CONFIDENTIAL",
                        "PRIORITY:1", "TRANSP:TRANSPARENT", "CATEGORIES:Business,Travel"})));
    CComPtr<_AppointmentItem> item = Only();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->GetSubject(), u"Planning");
    EXPECT_EQ(item->GetLocation(), u"Room 1");
    EXPECT_EQ(item->GetBody(), u"Bring the figures");
    EXPECT_EQ(item->GetSensitivity(), olConfidential);
    EXPECT_EQ(item->GetImportance(), olImportanceHigh);
    EXPECT_EQ(item->GetBusyStatus(), olFree);
    EXPECT_EQ(item->GetDuration(), 90);
    // en-US: the list separator is ",".
    EXPECT_EQ(item->GetCategories(), u"Business,Travel");
    EXPECT_EQ(item->GetMeetingStatus(), olNonMeeting);
}

TEST_F(ItemCreationTest, OrganizerAttendeesAndUidAreStored) {
    ImportText("meeting.ics",
               Calendar("2.0", Event({"DTSTART:20070105T100000", "DTEND:20070105T110000",
                                      "SUMMARY:Meeting", "UID:040000008200E00074C5B7101A82E008",
                                      "ORGANIZER;CN=Boss:MAILTO:boss@example.com",
                                      "ATTENDEE;CN=Ann:MAILTO:ann@example.com",
                                      "ATTENDEE:MAILTO:bob@example.com"})));
    CComPtr<_AppointmentItem> item = Only();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->GetMeetingStatus(), olMeeting);
    CComPtr<Recipients> recipients = item->GetRecipients();
    ASSERT_EQ(recipients->GetCount(), 2);
    EXPECT_EQ(recipients->Item(_variant_t(LONG{1}))->GetAddress(), u"ann@example.com");
    EXPECT_EQ(recipients->Item(_variant_t(LONG{2}))->GetAddress(), u"bob@example.com");
    CComPtr<IMAPIUtils> utils;
    ASSERT_EQ(CreateRedemptionObject(kProgIdMapiUtils, utils), S_OK);
    CComPtr<IUnknown> object(item.get());
    EXPECT_EQ(utils->HrGetOneProp(object, PR_SENDER_EMAIL_ADDRESS).ToString(), u"boss@example.com");
    LONG tag = utils->GetIDsFromNames(object, PSETID_Meeting, dispidGlobalObjectId, false);
    ASSERT_NE(tag, 0);
    EXPECT_EQ(utils->HrArrayToString(utils->HrGetOneProp(object, tag | PT_BINARY)),
              u"040000008200E00074C5B7101A82E008");
}

TEST_F(ItemCreationTest, AnEventWithoutStartAndEndFails) {
    ImportRun run = ImportText("bad.ics", Calendar("2.0", Event({"SUMMARY:Nothing"})));
    EXPECT_EQ(run.Events, 1);
    EXPECT_EQ(run.Counters.Failed, 1);
    EXPECT_EQ(run.Counters.Imported, 0);
    EXPECT_TRUE(Appointments().empty());
}

} // namespace
