#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"
#include "tests/platform/outlook/store_fixture.h"

#include <cstring>
#include <vector>

namespace {

using ItemsTest = StoreTest;

std::vector<std::u16string> Subjects(const CComPtr<_Items>& items) {
    std::vector<std::u16string> subjects;
    for (LONG i = 1; i <= items->GetCount(); ++i) {
        subjects.push_back(
            QueryInterface<_AppointmentItem>(items->Item(_variant_t(i, VT_INT)))->GetSubject());
    }
    return subjects;
}

TEST_F(ItemsTest, ItemsComeInCreationOrderUnlessSorted) {
    NewAppointment(Local(2007, 3, 7, 9), 30, u"Wednesday");
    NewAppointment(Local(2007, 3, 5, 9), 30, u"Monday");
    NewAppointment(Local(2007, 3, 6, 9), 30, u"Tuesday");
    CComPtr<_Items> items = Calendar()->GetItems();
    EXPECT_EQ(items->GetCount(), 3);
    EXPECT_EQ(Subjects(items), (std::vector<std::u16string>{u"Wednesday", u"Monday", u"Tuesday"}));
    items->Sort(u"[Start]");
    EXPECT_EQ(Subjects(items), (std::vector<std::u16string>{u"Monday", u"Tuesday", u"Wednesday"}));
    items->Sort(u"[Start]", true);
    EXPECT_EQ(Appointment(items->GetFirst())->GetSubject(), u"Wednesday");
    EXPECT_EQ(Appointment(items->GetNext())->GetSubject(), u"Tuesday");
    EXPECT_EQ(Appointment(items->GetNext())->GetSubject(), u"Monday");
    EXPECT_FALSE(items->GetNext());
    EXPECT_THROW(items->Item(_variant_t(4, VT_INT)), _com_error);
    EXPECT_THROW(items->Item(_variant_t(0, VT_INT)), _com_error);
}

TEST_F(ItemsTest, ConflictFilterFindsTheEqualAppointment) {
    NewAppointment(Local(2007, 3, 5, 9, 5), 60, u"Review");
    NewAppointment(Local(2007, 3, 5, 9, 5), 60, u"Other");
    NewAppointment(Local(2007, 3, 5, 9, 5), 30, u"Review");
    CComPtr<_Items> found = Calendar()->GetItems()->Restrict(
        u"[Start] = '3/5/2007 09:05 AM' And [End] = '3/5/2007 10:05 AM' And [Subject] = 'Review'");
    ASSERT_EQ(found->GetCount(), 1);
    EXPECT_EQ(Appointment(found->Item(_variant_t(1, VT_INT)))->GetDuration(), 60);
    EXPECT_EQ(Calendar()
                  ->GetItems()
                  ->Restrict(u"[Start] = '3/5/2007 09:05 AM' And [Subject] = 'review'")
                  ->GetCount(),
              2);
}

TEST_F(ItemsTest, ASubjectWithAQuoteInsideSingleQuotesMakesRestrictFail) {
    NewAppointment(Local(2007, 3, 5, 9), 60, u"Bob's party");
    EXPECT_THROW(Calendar()->GetItems()->Restrict(u"[Subject] = 'Bob's party'"), _com_error);
    EXPECT_EQ(Calendar()->GetItems()->Restrict(u"[Subject] = \"Bob's party\"")->GetCount(), 1);
}

TEST_F(ItemsTest, RangesOrAndNotCombine) {
    NewAppointment(Local(2007, 3, 5, 9), 60, u"A");
    NewAppointment(Local(2007, 3, 6, 14), 60, u"B");
    NewAppointment(Local(2007, 3, 7, 9), 60, u"C");
    CComPtr<_Items> items = Calendar()->GetItems();
    items->Sort(u"[Start]");
    EXPECT_EQ(Subjects(items->Restrict(u"[Start] > '3/5/2007 09:00 AM' And [End] <= '3/7/2007'")),
              (std::vector<std::u16string>{u"B"}));
    EXPECT_EQ(Subjects(items->Restrict(u"[Subject] = 'A' Or [Subject] = 'C'")),
              (std::vector<std::u16string>{u"A", u"C"}));
    EXPECT_EQ(Subjects(items->Restrict(u"Not ([Subject] = 'A')")->Restrict(u"[Duration] = 60")),
              (std::vector<std::u16string>{u"B", u"C"}));
}

class SeriesTest : public StoreTest {
protected:
    // Weekly on Mondays at 09:00 from 5 March 2007, ten times.
    CComPtr<_AppointmentItem> WeeklySeries(const std::u16string& subject) {
        CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 60, subject);
        series->GetRecurrencePattern()->PutOccurrences(10);
        series->Save();
        return series;
    }

    // Starts of everything in the folder between two local dates, recurrences
    // expanded, as "M/D HH:MM subject".
    std::vector<std::string> Agenda(const std::u16string& from, const std::u16string& to) {
        return Found(u"[Start] >= '" + from + u"' And [Start] <= '" + to + u"'");
    }

    // The items of the calendar the filter finds, in start order, recurrences
    // expanded.
    CComPtr<_Items> Walk(const std::u16string& filter) {
        CComPtr<_Items> items = Calendar()->GetItems();
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        return items->Restrict(filter);
    }

    // The same for any filter.
    std::vector<std::string> Found(const std::u16string& filter) {
        CComPtr<_Items> range = Walk(filter);
        std::vector<std::string> lines;
        for (CComPtr<IUnknown> i = range->GetFirst(); i; i = range->GetNext()) {
            CComPtr<_AppointmentItem> item = Appointment(i);
            const std::u16string subject = item->GetSubject();
            lines.push_back(COleDateTime(item->GetStart()).Format("%m/%d %H:%M ") +
                            std::string(subject.begin(), subject.end()));
        }
        return lines;
    }
};

TEST_F(SeriesTest, GetRecurrencePatternMakesAWeeklySeriesWithoutEnd) {
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 7, 9), 60, u"Standup");
    EXPECT_FALSE(item->GetIsRecurring());
    CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
    EXPECT_TRUE(item->GetIsRecurring());
    EXPECT_EQ(item->GetRecurrenceState(), olApptMaster);
    EXPECT_EQ(pattern->GetRecurrenceType(), olRecursWeekly);
    EXPECT_EQ(pattern->GetDayOfWeekMask(), olWednesday);
    EXPECT_TRUE(pattern->GetNoEndDate());
    EXPECT_EQ(pattern->GetPatternStartDate(), Local(2007, 3, 7));
    EXPECT_EQ(pattern->GetStartTime(), DATE(COleDateTime(1899, 12, 30, 9, 0, 0)));
    EXPECT_EQ(pattern->GetDuration(), 60);
    EXPECT_EQ(pattern->GetParent()->GetSubject(), u"Standup");
}

TEST_F(SeriesTest, RangeFieldsFollowEachOther) {
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 5, 9), 60, u"Review");
    CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
    pattern->PutRecurrenceType(olRecursMonthNth);
    pattern->PutInstance(5);
    pattern->PutDayOfWeekMask(olFriday);
    pattern->PutOccurrences(4);
    EXPECT_FALSE(pattern->GetNoEndDate());
    EXPECT_EQ(pattern->GetPatternEndDate(), Local(2007, 6, 29));
    pattern->PutPatternEndDate(Local(2007, 5, 31));
    EXPECT_EQ(pattern->GetOccurrences(), 3);
    pattern->PutNoEndDate(true);
    EXPECT_EQ(pattern->GetOccurrences(), 0);
    item->Save();
    CComPtr<RecurrencePattern> stored =
        Appointment(Open()->GetSession()->GetItemFromID(item->GetEntryID()))
            ->GetRecurrencePattern();
    EXPECT_EQ(stored->GetRecurrenceType(), olRecursMonthNth);
    EXPECT_EQ(stored->GetInstance(), 5);
    EXPECT_EQ(stored->GetDayOfWeekMask(), olFriday);
    EXPECT_TRUE(stored->GetNoEndDate());
}

TEST_F(SeriesTest, SettingTheTypeTakesItsFieldsFromTheStart) {
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 20, 9), 60, u"x");
    CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
    pattern->PutRecurrenceType(olRecursYearNth);
    EXPECT_EQ(pattern->GetMonthOfYear(), 3);
    EXPECT_EQ(pattern->GetDayOfWeekMask(), olTuesday);
    EXPECT_EQ(pattern->GetInstance(), 3);
    pattern->PutRecurrenceType(olRecursMonthly);
    EXPECT_EQ(pattern->GetDayOfMonth(), 20);
    EXPECT_THROW(pattern->PutRecurrenceType(4), _com_error);
    EXPECT_THROW(pattern->PutInstance(6), _com_error);
}

TEST_F(SeriesTest, OccurrencesAreExpandedInStartOrderWithinTheRange) {
    WeeklySeries(u"Weekly");
    NewAppointment(Local(2007, 3, 12, 8), 30, u"Early");
    NewAppointment(Local(2007, 3, 14, 9), 30, u"Midweek");
    EXPECT_EQ(Agenda(u"3/10/2007", u"3/20/2007 11:00 PM"),
              (std::vector<std::string>{"03/12 08:00 Early", "03/12 09:00 Weekly",
                                        "03/14 09:00 Midweek", "03/19 09:00 Weekly"}));
    // The tenth and last is on 7 May.
    EXPECT_EQ(Agenda(u"5/1/2007", u"6/1/2007"), (std::vector<std::string>{"05/07 09:00 Weekly"}));
}

TEST_F(SeriesTest, GetOccurrenceNeedsTheExactStart) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    CComPtr<RecurrencePattern> pattern = series->GetRecurrencePattern();
    CComPtr<_AppointmentItem> occurrence = pattern->GetOccurrence(Local(2007, 3, 19, 9));
    EXPECT_EQ(occurrence->GetStart(), Local(2007, 3, 19, 9));
    EXPECT_EQ(occurrence->GetEnd(), Local(2007, 3, 19, 10));
    EXPECT_EQ(occurrence->GetRecurrenceState(), olApptOccurrence);
    EXPECT_EQ(occurrence->GetEntryID(), series->GetEntryID());
    EXPECT_THROW(pattern->GetOccurrence(Local(2007, 3, 19, 9, 30)), _com_error);
    EXPECT_THROW(pattern->GetOccurrence(Local(2007, 3, 20, 9)), _com_error);
    EXPECT_THROW(pattern->GetOccurrence(Local(2007, 5, 14 + 7, 9)), _com_error); // past the end
}

TEST_F(SeriesTest, DeletedAndMovedOccurrencesBecomeExceptions) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    CComPtr<RecurrencePattern> pattern = series->GetRecurrencePattern();
    pattern->GetOccurrence(Local(2007, 3, 12, 9))->Delete();
    CComPtr<_AppointmentItem> sameDay = pattern->GetOccurrence(Local(2007, 3, 19, 9));
    sameDay->PutStart(Local(2007, 3, 19, 15));
    sameDay->Save();
    CComPtr<_AppointmentItem> otherDay = pattern->GetOccurrence(Local(2007, 3, 26, 9));
    otherDay->PutStart(Local(2007, 3, 28, 11));
    otherDay->PutSubject(u"Moved");
    otherDay->Save();

    EXPECT_EQ(Agenda(u"3/5/2007", u"4/3/2007"),
              (std::vector<std::string>{"03/05 09:00 Weekly", "03/19 15:00 Weekly",
                                        "03/28 11:00 Moved", "04/02 09:00 Weekly"}));
    CComPtr<Exceptions> exceptions =
        Appointment(Open()->GetSession()->GetItemFromID(series->GetEntryID()))
            ->GetRecurrencePattern()
            ->GetExceptions();
    ASSERT_EQ(exceptions->GetCount(), 3);
    CComPtr<Exception> deleted = exceptions->Item(_variant_t(1, VT_INT));
    EXPECT_EQ(deleted->GetOriginalDate(), Local(2007, 3, 12, 9));
    EXPECT_TRUE(deleted->GetDeleted());
    EXPECT_THROW(deleted->GetAppointmentItem(), _com_error);
    CComPtr<Exception> moved = exceptions->Item(_variant_t(3, VT_INT));
    EXPECT_EQ(moved->GetOriginalDate(), Local(2007, 3, 26, 9));
    EXPECT_FALSE(moved->GetDeleted());
    EXPECT_EQ(moved->GetAppointmentItem()->GetStart(), Local(2007, 3, 28, 11));
    EXPECT_EQ(moved->GetAppointmentItem()->GetEnd(), Local(2007, 3, 28, 12));
    EXPECT_EQ(moved->GetAppointmentItem()->GetRecurrenceState(), olApptException);
    EXPECT_THROW(pattern->GetOccurrence(Local(2007, 3, 12, 9)), _com_error);
    EXPECT_EQ(pattern->GetOccurrence(Local(2007, 3, 28, 11))->GetSubject(), u"Moved");
}

TEST_F(SeriesTest, RecurrenceFilterOfTheImportFindsTheSeriesOccurrences) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    NewAppointment(Local(2007, 3, 13, 9), 60, u"Other");
    CComPtr<_Items> items = Calendar()->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    CComPtr<_Items> found = items->Restrict(u"[Start] >= \"3/12/2007 09:00 AM\" And [Start] <= "
                                            u"\"3/26/2007 09:00 AM\" And [Subject] = \"Weekly\"");
    found->Sort(u"[Start]");
    found->PutIncludeRecurrences(true);
    std::vector<DATE> starts;
    for (CComPtr<IUnknown> i = found->GetFirst(); i; i = found->GetNext()) {
        EXPECT_EQ(Appointment(i)->GetEntryID(), series->GetEntryID());
        starts.push_back(Appointment(i)->GetStart());
    }
    EXPECT_EQ(starts, (std::vector<DATE>{Local(2007, 3, 12, 9), Local(2007, 3, 19, 9),
                                         Local(2007, 3, 26, 9)}));
}

// The search expands only the series that can have a match; these cases sit at
// the edges of that choice.
TEST_F(SeriesTest, SeriesStartedLongBeforeTheRangeStillHaveTheirOccurrencesInIt) {
    CComPtr<_AppointmentItem> endless = NewAppointment(Local(2007, 1, 1, 8), 30, u"Endless");
    endless->GetRecurrencePattern();
    endless->Save();
    CComPtr<_AppointmentItem> counted = NewAppointment(Local(2007, 1, 1, 10), 30, u"Long");
    counted->GetRecurrencePattern()->PutOccurrences(100); // through 24 November 2008
    counted->Save();
    WeeklySeries(u"Long"); // ended in May 2007
    CComPtr<_AppointmentItem> later = NewAppointment(Local(2008, 7, 7, 9), 30, u"Long");
    later->GetRecurrencePattern();
    later->Save();

    EXPECT_EQ(Agenda(u"6/1/2008", u"6/7/2008"),
              (std::vector<std::string>{"06/02 08:00 Endless", "06/02 10:00 Long"}));
    EXPECT_EQ(
        Found(u"[Start] >= '6/1/2008' And [Subject] = 'long' And [Start] <= '6/9/2008 11:00 PM'"),
        (std::vector<std::string>{"06/02 10:00 Long", "06/09 10:00 Long"}));
    CComPtr<_Items> items = Calendar()->GetItems();
    items->PutIncludeRecurrences(true);
    EXPECT_EQ(items->Restrict(u"[Subject] = 'Endless' And [Start] >= '12/1/2008'")->GetCount(),
              10000);
    EXPECT_EQ(Found(u"[Start] <= '1/1/2007 11:00 PM'"),
              (std::vector<std::string>{"01/01 08:00 Endless", "01/01 10:00 Long"}));
}

TEST_F(SeriesTest, AChangedOccurrenceIsFoundByItsOwnSubjectAndTime) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    // The last occurrence (7 May) moves past the pattern's end, under another subject.
    CComPtr<_AppointmentItem> moved =
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 5, 7, 9));
    moved->PutStart(Local(2007, 5, 23, 11));
    moved->PutSubject(u"Moved");
    moved->Save();
    NewAppointment(Local(2007, 5, 22, 9), 30, u"Single");

    EXPECT_EQ(Found(u"[Subject] = 'moved' And [Start] >= '5/1/2007' And [Start] <= '5/31/2007'"),
              (std::vector<std::string>{"05/23 11:00 Moved"}));
    EXPECT_EQ(Agenda(u"5/20/2007", u"5/26/2007"),
              (std::vector<std::string>{"05/22 09:00 Single", "05/23 11:00 Moved"}));
    EXPECT_EQ(Found(u"[Subject] = 'Weekly' And [Start] >= '5/1/2007'"),
              (std::vector<std::string>{}));
    EXPECT_EQ(Found(u"[Subject] = 'Weekly' And [Start] >= '4/30/2007'"),
              (std::vector<std::string>{"04/30 09:00 Weekly"}));
}

// A search right after a series was saved shows the series as the store
// holds it: as saved, without later unsaved changes, and with what was
// written after the save, by another object or another connection.
TEST_F(SeriesTest, ASearchRightAfterASaveShowsTheStoredSeries) {
    const std::u16string march = u"[Subject] = 'Weekly' And [Start] >= '3/12/2007' And [Start] <= "
                                 u"'3/19/2007 11:00 PM'";
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    const std::vector<std::string> stored{"03/12 09:00 Weekly", "03/19 09:00 Weekly"};
    EXPECT_EQ(Found(march), stored);

    series->PutSubject(u"Renamed");
    series->GetRecurrencePattern()->PutInterval(2);
    EXPECT_EQ(Found(march), stored);
    series->Save();
    const std::u16string renamed = u"[Subject] = 'Renamed' And [Start] >= '3/12/2007' And "
                                   u"[Start] <= '4/2/2007 11:00 PM'";
    EXPECT_EQ(Found(march), (std::vector<std::string>{}));
    EXPECT_EQ(Found(renamed),
              (std::vector<std::string>{"03/19 09:00 Renamed", "04/02 09:00 Renamed"}));

    Appointment(Open()->GetSession()->GetItemFromID(series->GetEntryID()))
        ->GetRecurrencePattern()
        ->GetOccurrence(Local(2007, 3, 19, 9))
        ->Delete();
    EXPECT_EQ(Found(renamed), (std::vector<std::string>{"04/02 09:00 Renamed"}));

    CComPtr<_AppointmentItem> other = WeeklySeries(u"Other");
    Appointment(Calendar()->GetItems()->Restrict(u"[Subject] = 'Other'")->GetFirst())->Delete();
    EXPECT_EQ(Found(u"[Subject] = 'Other'"), (std::vector<std::string>{}));
}

TEST_F(SeriesTest, AChangedOccurrencesSubjectFindsNothingInAnotherFolder) {
    CComPtr<MAPIFolder> work = Calendar()->GetFolders()->Add(u"Work");
    CComPtr<_AppointmentItem> series = Appointment(work->GetItems()->Add());
    series->PutStart(Local(2007, 3, 5, 9));
    series->PutSubject(u"Work series");
    series->GetRecurrencePattern()->PutOccurrences(3);
    series->Save();
    CComPtr<_AppointmentItem> moved =
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9));
    moved->PutSubject(u"Moved");
    moved->Save();
    NewAppointment(Local(2007, 3, 13, 9), 30, u"Moved");

    EXPECT_EQ(Found(u"[Subject] = 'Moved'"), (std::vector<std::string>{"03/13 09:00 Moved"}));
    CComPtr<_Items> there = work->GetItems();
    there->PutIncludeRecurrences(true);
    CComPtr<_Items> found = there->Restrict(u"[Subject] = 'moved'");
    ASSERT_EQ(found->GetCount(), 1);
    EXPECT_EQ(Appointment(found->GetFirst())->GetStart(), Local(2007, 3, 12, 9));
}

TEST_F(SeriesTest, ADeletedOccurrenceIsNotFound) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 19, 9))->Delete();

    EXPECT_EQ(Found(u"[Subject] = 'Weekly' And [Start] >= '3/19/2007' And [Start] <= "
                    u"'3/19/2007 11:00 PM'"),
              (std::vector<std::string>{}));
    EXPECT_EQ(Found(u"[Subject] = 'Weekly' And [Start] >= '3/12/2007' And [Start] <= "
                    u"'3/26/2007 11:00 PM'"),
              (std::vector<std::string>{"03/12 09:00 Weekly", "03/26 09:00 Weekly"}));
}

TEST_F(SeriesTest, ASeriesKeepsItsWallClockAcrossTheSystemZonesDaylightChange) {
    // New York changes to daylight time on 11 March 2007. A series without a
    // zone of its own stays at 09:00 New York time ...
    WeeklySeries(u"Local");
    // ... while a series in Tokyo (no daylight time) stays at 09:00 Tokyo,
    // which is 19:00 in New York before the change and 20:00 after it.
    CComPtr<_AppointmentItem> tokyo = Appointment(Calendar()->GetItems()->Add());
    tokyo->PutStart(Local(2007, 3, 5, 19));
    tokyo->PutDuration(30);
    tokyo->PutSubject(u"Tokyo");
    tokyo->Save();
    {
        StoreRedemption redemption;
        TimeZoneRule rule{};
        rule.Bias = -540;
        std::vector<BYTE> bytes(sizeof rule);
        std::memcpy(bytes.data(), &rule, sizeof rule);
        const LONG zoneTag = redemption.utils->GetIDsFromNames(tokyo, PSETID_Appointment,
                                                               dispidTimeZoneStruct, false) |
                             PT_BINARY;
        redemption.utils->HrSetOneProp(tokyo, zoneTag, _variant_t(bytes), true);
    }
    CComPtr<RecurrencePattern> pattern = tokyo->GetRecurrencePattern();
    EXPECT_EQ(pattern->GetDayOfWeekMask(), olTuesday); // Tuesday in Tokyo
    EXPECT_EQ(pattern->GetStartTime(), DATE(COleDateTime(1899, 12, 30, 9, 0, 0)));
    pattern->PutOccurrences(3);
    tokyo->Save();

    EXPECT_EQ(
        Agenda(u"3/1/2007", u"3/20/2007"),
        (std::vector<std::string>{"03/05 09:00 Local", "03/05 19:00 Tokyo", "03/12 09:00 Local",
                                  "03/12 20:00 Tokyo", "03/19 09:00 Local", "03/19 20:00 Tokyo"}));
}

TEST_F(SeriesTest, EveryWeekdayAndMonthEndSeriesExpandByOutlooksRules) {
    CComPtr<_AppointmentItem> weekdays = NewAppointment(Local(2007, 3, 2, 8), 15, u"Weekday");
    CComPtr<RecurrencePattern> daily = weekdays->GetRecurrencePattern();
    daily->PutRecurrenceType(olRecursDaily);
    daily->PutInterval(0);
    daily->PutDayOfWeekMask(olMonday | olTuesday | olWednesday | olThursday | olFriday);
    daily->PutOccurrences(4);
    weekdays->Save();
    CComPtr<_AppointmentItem> monthEnd = NewAppointment(Local(2007, 1, 31, 12), 15, u"MonthEnd");
    CComPtr<RecurrencePattern> monthly = monthEnd->GetRecurrencePattern();
    monthly->PutRecurrenceType(olRecursMonthly);
    monthly->PutOccurrences(3);
    monthEnd->Save();
    EXPECT_EQ(Agenda(u"1/1/2007", u"3/31/2007 11:59 PM"),
              (std::vector<std::string>{"01/31 12:00 MonthEnd", "02/28 12:00 MonthEnd",
                                        "03/02 08:00 Weekday", "03/05 08:00 Weekday",
                                        "03/06 08:00 Weekday", "03/07 08:00 Weekday",
                                        "03/31 12:00 MonthEnd"}));
}

TEST_F(SeriesTest, AnEndlessSeriesWithoutAnUpperBoundStopsAtTheExpansionLimit) {
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 30, u"Daily");
    series->GetRecurrencePattern()->PutRecurrenceType(olRecursDaily);
    series->Save();
    CComPtr<_Items> items = Calendar()->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    EXPECT_EQ(items->Restrict(u"[End] > '3/1/2007'")->GetCount(), 10000);
}

TEST_F(SeriesTest, OccurrencesChangeTheirTextsButNotTheSeriesFields) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    CComPtr<_AppointmentItem> occurrence =
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9));
    EXPECT_THROW(occurrence->PutSensitivity(olPrivate), _com_error);
    occurrence->PutLocation(u"Elsewhere");
    EXPECT_FALSE(occurrence->GetSaved());
    occurrence->Save();
    EXPECT_EQ(series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9))->GetLocation(),
              u"Elsewhere");
    EXPECT_EQ(series->GetLocation(), u"");
    series->ClearRecurrencePattern();
    series->Save();
    EXPECT_EQ(Agenda(u"3/1/2007", u"6/1/2007"), (std::vector<std::string>{"03/05 09:00 Weekly"}));
}

// Occurrences handed out by one walk show the series as it is stored when
// each is handed out, also when the series changes in the middle of the walk.
TEST_F(SeriesTest, AWalksOccurrencesFollowChangesToTheirSeries) {
    CComPtr<_AppointmentItem> series = WeeklySeries(u"Weekly");
    series->PutLocation(u"Room 1");
    series->PutSensitivity(olPrivate);
    series->Save();
    CComPtr<_Items> walk = Walk(u"[Start] >= '3/5/2007' And [Start] <= '3/27/2007'");
    CComPtr<_AppointmentItem> first = Appointment(walk->GetFirst());
    CComPtr<_AppointmentItem> second = Appointment(walk->GetNext());
    for (const CComPtr<_AppointmentItem>& occurrence : {first, second}) {
        EXPECT_EQ(occurrence->GetSubject(), u"Weekly");
        EXPECT_EQ(occurrence->GetLocation(), u"Room 1");
        EXPECT_EQ(occurrence->GetSensitivity(), olPrivate);
        EXPECT_EQ(occurrence->GetRecurrenceState(), olApptOccurrence);
    }
    EXPECT_EQ(second->GetStart(), Local(2007, 3, 12, 9));

    second->PutSubject(u"Changed");
    second->Save();
    EXPECT_EQ(first->GetSubject(), u"Weekly");
    CComPtr<_AppointmentItem> third = Appointment(walk->GetNext());
    EXPECT_EQ(third->GetSubject(), u"Weekly");
    EXPECT_EQ(third->GetRecurrencePattern()->GetExceptions()->GetCount(), 1);

    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(series->GetEntryID()));
    stored->PutLocation(u"Room 2");
    stored->Save();
    CComPtr<_AppointmentItem> fourth = Appointment(walk->GetNext());
    EXPECT_EQ(fourth->GetStart(), Local(2007, 3, 26, 9));
    EXPECT_EQ(fourth->GetLocation(), u"Room 2");
    EXPECT_FALSE(walk->GetNext());

    EXPECT_EQ(Agenda(u"3/5/2007", u"3/27/2007"),
              (std::vector<std::string>{"03/05 09:00 Weekly", "03/12 09:00 Changed",
                                        "03/19 09:00 Weekly", "03/26 09:00 Weekly"}));
}

// Each occurrence a walk hands out has a series object of its own: a change
// made through one of them is not seen through the others.
TEST_F(SeriesTest, OccurrencesOfOneWalkHaveSeriesObjectsOfTheirOwn) {
    WeeklySeries(u"Weekly");
    CComPtr<_Items> walk = Walk(u"[Start] >= '3/5/2007' And [Start] <= '3/27/2007'");
    CComPtr<_AppointmentItem> first = Appointment(walk->GetFirst());
    CComPtr<_AppointmentItem> second = Appointment(walk->GetNext());
    first->GetRecurrencePattern()->PutInterval(2);
    EXPECT_EQ(first->GetRecurrencePattern()->GetInterval(), 2);
    EXPECT_EQ(second->GetRecurrencePattern()->GetInterval(), 1);
    CComPtr<_AppointmentItem> third = Appointment(walk->GetNext());
    EXPECT_EQ(third->GetRecurrencePattern()->GetInterval(), 1);
    EXPECT_EQ(third->GetStart(), Local(2007, 3, 19, 9));
    EXPECT_EQ(third->GetEntryID(), first->GetEntryID());
}

TEST_F(ItemsTest, OtherFieldsFilterToo) {
    CComPtr<_AppointmentItem> day = NewAppointment(Local(2007, 3, 5), 60, u"Holiday");
    day->PutAllDayEvent(true);
    day->PutSensitivity(olPrivate);
    day->Save();
    NewAppointment(Local(2007, 3, 6, 9), 60, u"Work");
    CComPtr<_Items> items = Calendar()->GetItems();
    EXPECT_EQ(Subjects(items->Restrict(u"[AllDayEvent] = True")),
              (std::vector<std::u16string>{u"Holiday"}));
    EXPECT_EQ(Subjects(items->Restrict(u"[Sensitivity] = 0")),
              (std::vector<std::u16string>{u"Work"}));
    EXPECT_EQ(Subjects(items->Restrict(u"[Duration] >= 1440")),
              (std::vector<std::u16string>{u"Holiday"}));
}

} // namespace

namespace {

TEST_F(ItemsTest, AWalkKeepsItsItemsWhileAnotherCollectionAddsAndDeletes) {
    NewAppointment(Local(2007, 3, 5, 9), 30, u"First");
    CComPtr<_AppointmentItem> second = NewAppointment(Local(2007, 3, 6, 9), 30, u"Second");
    NewAppointment(Local(2007, 3, 7, 9), 30, u"Third");
    CComPtr<_Items> walk = Calendar()->GetItems();
    walk->Sort(u"[Start]", true);
    EXPECT_EQ(Appointment(walk->GetFirst())->GetSubject(), u"Third");

    NewAppointment(Local(2007, 3, 8, 9), 30, u"Added");
    Appointment(Calendar()->GetItems()->Item(_variant_t(2, VT_INT)))->Delete();

    try {
        walk->GetNext();
        ADD_FAILURE() << "a deleted item was handed out";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), MAPI_E_NOT_FOUND);
    }
    EXPECT_EQ(Appointment(walk->GetNext())->GetSubject(), u"First");
    EXPECT_FALSE(walk->GetNext());
    EXPECT_EQ(Subjects(Calendar()->GetItems()),
              (std::vector<std::u16string>{u"First", u"Third", u"Added"}));
}

TEST_F(ItemsTest, TextsOutsideAsciiComeBackUnchanged) {
    const std::vector<std::u16string> subjects = {u"Plain", u"", u"Caf\u00e9 \u2615",
                                                  u"Clef \U0001D11E end"};
    for (const std::u16string& subject : subjects) {
        CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 5, 9), 30, subject);
        item->PutLocation(subject + u" room");
        item->Save();
    }
    outlook_ = Open();
    CComPtr<_Items> items = Calendar()->GetItems();
    EXPECT_EQ(Subjects(items), subjects);
    for (LONG i = 1; i <= items->GetCount(); ++i) {
        EXPECT_EQ(Appointment(items->Item(_variant_t(i, VT_INT)))->GetLocation(),
                  subjects[i - 1] + u" room");
    }
}

} // namespace
