#include "support/language_text.h"
#include "tests/engine/import/import_fixture.h"

#include <filesystem>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ImportRunTest = ImportTest;

std::string Events(const std::string& version, int count, int firstDay = 1) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        char day[64];
        std::snprintf(day, sizeof day, "200703%02dT090000", firstDay + i);
        std::vector<std::string> event =
            Event({std::string("DTSTART:") + day, std::string("DTEND:") + day,
                   "SUMMARY:Event " + std::to_string(i)});
        event[2] = std::string("DTEND:") + std::string(day).replace(9, 2, "10");
        lines.insert(lines.end(), event.begin(), event.end());
    }
    return Calendar(version, lines);
}

TEST_F(ImportRunTest, LeaveAddsNothingAndReplaceKeepsOneCopy) {
    std::string path = folder_.Write("three.ics", Events("2.0", 3));
    ImportRun first = ImportPaths({path});
    EXPECT_EQ(first.Counters.Imported, 3);
    ImportRun leave = ImportPaths({path}, kConflictLeave);
    EXPECT_EQ(leave.Counters.Imported, 0);
    EXPECT_EQ(leave.Counters.Skipped, 3);
    EXPECT_EQ(Appointments().size(), 3u);
    std::u16string firstId = Appointments().front()->GetEntryID();
    ImportRun replace = ImportPaths({path}, kConflictReplace);
    EXPECT_EQ(replace.Counters.Imported, 3);
    EXPECT_EQ(replace.Counters.Skipped, 0);
    ASSERT_EQ(Appointments().size(), 3u);
    EXPECT_NE(Appointments().front()->GetEntryID(), firstId);
    ImportRun duplicate = ImportPaths({path}, kConflictDuplicate);
    EXPECT_EQ(duplicate.Counters.Imported, 3);
    EXPECT_EQ(Appointments().size(), 6u);
}

TEST_F(ImportRunTest, DurationOnlyEventsAreFoundAgain) {
    std::string path = folder_.Write(
        "duration.ics",
        Calendar("2.0", Event({"DTSTART:20070305T090000", "DURATION:PT45M", "SUMMARY:Short"})));
    ImportPaths({path});
    EXPECT_EQ(ImportPaths({path}, kConflictLeave).Counters.Skipped, 1);
    ImportPaths({path}, kConflictReplace);
    ASSERT_EQ(Appointments().size(), 1u);
    EXPECT_EQ(Appointments().front()->GetDuration(), 45);
}

// The search for an equal appointment compares the subject only when the
// event has one.
TEST_F(ImportRunTest, TheConflictSearchComparesTimesAndAnySubject) {
    const auto at = [](const char* summary) {
        std::vector<std::string> lines = {"DTSTART:20070305T090000", "DTEND:20070305T100000"};
        if (*summary != '\0') {
            lines.push_back(std::string("SUMMARY:") + summary);
        }
        return Calendar("2.0", Event(lines));
    };
    ImportText("planning.ics", at("Planning"));
    EXPECT_EQ(ImportText("other.ics", at("Review"), kConflictLeave).Counters.Imported, 1);
    EXPECT_EQ(ImportText("case.ics", at("PLANNING"), kConflictLeave).Counters.Skipped, 1);
    EXPECT_EQ(ImportText("none.ics", at(""), kConflictLeave).Counters.Skipped, 1);
    EXPECT_EQ(Appointments().size(), 2u);
}

TEST_F(ImportRunTest, ASubjectWithAQuoteIsTreatedAsNew) {
    std::string path = folder_.Write(
        "quote.ics", Calendar("2.0", Event({"DTSTART:20070305T090000", "DTEND:20070305T100000",
                                            "SUMMARY:Bob's party"})));
    ImportPaths({path});
    EXPECT_EQ(ImportPaths({path}, kConflictLeave).Counters.Imported, 1);
    EXPECT_EQ(Appointments().size(), 2u);
}

TEST_F(ImportRunTest, RDatesWithoutARuleBecomeSeparateAppointments) {
    ImportRun run = ImportText(
        "rdates.ics",
        Calendar(
            "2.0",
            Event({"DTSTART:20070305T090000", "SUMMARY:Visits",
                   "RDATE:20070306T100000,20070307T110000,20070308T120000",
                   "RDATE;VALUE=PERIOD:20070309T090000/20070309T093000,20070310T090000/PT2H"})));
    EXPECT_EQ(run.Events, 1);
    EXPECT_EQ(run.Counters.Imported, 5);
    EXPECT_EQ(progress_.range, 5);
    EXPECT_EQ(progress_.steps, 5);
    std::vector<CComPtr<_AppointmentItem>> all = Appointments();
    ASSERT_EQ(all.size(), 5u);
    std::vector<LONG> durations;
    for (const CComPtr<_AppointmentItem>& item : all) {
        durations.push_back(item->GetDuration());
    }
    EXPECT_EQ(durations, (std::vector<LONG>{30, 30, 30, 30, 120}));
    EXPECT_EQ(COleDateTime(all[1]->GetStart()), COleDateTime(Local(2007, 3, 7, 11)));
}

TEST_F(ImportRunTest, FoldersYieldTheirCalendarFilesAndNamedFilesAlwaysCount) {
    TempFolder inner;
    inner.Write("a.ics", Events("2.0", 1, 1));
    inner.Write("b.vcs", Events("1.0", 1, 2));
    inner.Write("c.xcs", Events("2.0", 1, 3));
    inner.Write("D.ICS", Events("2.0", 1, 4));
    inner.Write("e.txt", Events("2.0", 1, 5));
    std::string named = folder_.Write("named.txt", Events("2.0", 2, 10));
    ImportRun run = ImportPaths({inner.Path(), named});
    EXPECT_EQ(run.Files, 4);
    EXPECT_EQ(run.Events, 5);
    EXPECT_EQ(run.Counters.Imported, 5);
    std::set<int> days;
    for (const CComPtr<_AppointmentItem>& item : Appointments()) {
        days.insert(COleDateTime(item->GetStart()).GetDay());
    }
    EXPECT_EQ(days, (std::set<int>{1, 2, 4, 10, 11}));
}

TEST_F(ImportRunTest, CancelLeavesTheRestSkipped) {
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(
            folder_.Write("f" + std::to_string(i) + ".ics", Events("2.0", 2, 1 + 2 * i)));
    }
    progress_.cancelAfter = 3;
    ImportRun run = ImportPaths(paths);
    EXPECT_EQ(run.End, ImportRunEnd::Cancelled);
    EXPECT_EQ(run.Events, 8);
    EXPECT_EQ(run.Counters.Imported, 3);
    EXPECT_EQ(run.Counters.Skipped, 5);
    EXPECT_TRUE(progress_.closed);
    EXPECT_EQ(Appointments().size(), 3u);
}

TEST_F(ImportRunTest, AFileThatCannotBeOpenedAsksWhetherToGoOn) {
    std::string good = folder_.Write("good.ics", Events("2.0", 1));
    std::string missing = folder_.File("missing.ics");
    ImportRun goOn = ImportPaths({missing, good});
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "IDS_ERR_CANNOT_OPEN_FILE" + missing);
    EXPECT_EQ(boxes_[0].caption, "IDS_ERR_TITLE");
    EXPECT_EQ(boxes_[0].type, MB_OKCANCEL | MB_ICONWARNING);
    EXPECT_EQ(goOn.Counters.Imported, 1);
    EXPECT_EQ(goOn.End, ImportRunEnd::Finished);
    boxAnswer_ = IDCANCEL;
    ImportRun stop = ImportPaths({missing, good});
    EXPECT_EQ(stop.End, ImportRunEnd::Cancelled);
    EXPECT_EQ(stop.Counters.Imported, 0);
    EXPECT_EQ(stop.Counters.Skipped, 1);
}

TEST_F(ImportRunTest, NoFilesGiveAWarningAndEmptyFilesNoProgress) {
    TempFolder empty;
    ImportRun none = ImportPaths({empty.Path()});
    EXPECT_EQ(none.End, ImportRunEnd::NoFiles);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "IDS_ERR_IMPORT_VCAL_FILES_NOT_FOUND");
    EXPECT_EQ(boxes_[0].type, MB_OK | MB_ICONWARNING);
    ImportRun eventless = ImportText("empty.ics", Calendar("2.0", {}));
    EXPECT_EQ(eventless.End, ImportRunEnd::Finished);
    EXPECT_EQ(eventless.Files, 1);
    EXPECT_EQ(eventless.Events, 0);
    EXPECT_FALSE(progress_.created);
}

TEST_F(ImportRunTest, AnUnknownVersionAbortsTheRun) {
    std::string bad = folder_.Write("a.ics", "BEGIN:VCALENDAR\r\nVERSION:3.0\r\nBEGIN:VEVENT\r\n"
                                             "DTSTART:20070305T090000\r\nEND:VEVENT\r\n"
                                             "END:VCALENDAR\r\n");
    std::string good = folder_.Write("b.ics", Events("2.0", 2));
    ImportRun run = ImportPaths({bad, good});
    EXPECT_EQ(run.End, ImportRunEnd::Aborted);
    EXPECT_EQ(run.Events, 3);
    EXPECT_EQ(run.Counters.Imported, 0);
    EXPECT_EQ(run.Counters.Skipped, 3);
}

struct FilterRow {
    const char* name;
    uint32_t flags;
    std::u16string categories;
    uint32_t labels;
    // Subjects of the events that pass, by day of March 2007.
    std::set<int> passing;
};

TEST_F(ImportRunTest, FilterRows) {
    // Day 1: all-day 24 hours; 2: 24 hours and a minute; 3: private;
    // 4: category Business; 5: category Private; 6: subject with "Birthday".
    std::string text = Calendar("2.0", [] {
        std::vector<std::string> lines;
        auto add = [&](std::vector<std::string> event) {
            std::vector<std::string> block = Event(event);
            lines.insert(lines.end(), block.begin(), block.end());
        };
        add({"DTSTART:20070301T000000", "DTEND:20070302T000000", "SUMMARY:Day"});
        add({"DTSTART:20070302T000000", "DTEND:20070303T000100", "SUMMARY:Longer"});
        add({"DTSTART:20070303T090000", "DTEND:20070303T100000", "SUMMARY:Secret",
             "CLASS:PRIVATE"});
        add({"DTSTART:20070304T090000", "DTEND:20070304T100000", "SUMMARY:Work",
             "CATEGORIES:Business"});
        add({"DTSTART:20070305T090000", "DTEND:20070305T100000", "SUMMARY:Home",
             "CATEGORIES:private"});
        add({"DTSTART:20070306T090000", "DTEND:20070306T100000", "SUMMARY:Ann's BIRTHDAY"});
        return lines;
    }());
    const FilterRow rows[] = {
        {"skip all-day", kSkipAllDay, u"", 0, {2, 3, 4, 5, 6}},
        {"skip private", kSkipPrivate, u"", 0, {1, 2, 4, 5, 6}},
        {"skip listed", kSkipListedCategories, u"Business, Private", 0, {1, 2, 3, 6}},
        {"only listed", kSkipUnlistedCategories, u"Busi,Private", 0, {5}},
        {"label 10 skipped", kSkipLabelled, u"", 1u << 9, {1, 2, 3, 4, 5}},
        {"date range", kApplyDateRange, u"", 0, {2, 3, 4}},
    };
    for (const FilterRow& row : rows) {
        SCOPED_TRACE(row.name);
        ImportFilter filter;
        filter.Flags = row.flags;
        filter.Categories = row.categories;
        filter.LabelMask = row.labels;
        filter.DateFrom = COleDateTime(2007, 3, 3, 0, 0, 0);
        filter.DateTo = COleDateTime(2007, 3, 5, 0, 0, 0);
        SetLanguageTextSource([](const char* key) {
            return std::string(key) == "IDS_EVENT_LABEL10" ? std::string("Birthday")
                                                           : std::string(key);
        });
        ImportRun run = ImportText("filter.ics", text, kConflictDuplicate, &filter);
        SetLanguageTextSource(nullptr);
        std::set<int> days;
        for (const CComPtr<_AppointmentItem>& item : Appointments()) {
            days.insert(COleDateTime(item->GetStart()).GetDay());
            item->Delete();
        }
        EXPECT_EQ(days, row.passing);
        EXPECT_EQ(run.Counters.Skipped, 6 - static_cast<int>(row.passing.size()));
    }
}

TEST_F(ImportRunTest, EveryCorpusFileImportsWithoutACrash) {
    namespace fs = std::filesystem;
    fs::path corpus = QUILLANE_SHARED_CORPUS;
    if (!fs::is_directory(corpus)) {
        GTEST_SKIP() << "no shared corpus at " << corpus;
    }
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(corpus)) {
        std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || extension.size() != 4) {
            continue;
        }
        char first = extension[1];
        if (first != 'i' && first != 'v' && first != 'I' && first != 'V') {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        LONG before = CalendarFolder()->GetItems()->GetCount();
        ImportRun run = ImportPaths({entry.path().string()});
        // Every appointment counted as imported is in the folder.
        EXPECT_EQ(CalendarFolder()->GetItems()->GetCount(), before + run.Counters.Imported);
        EXPECT_TRUE(run.End == ImportRunEnd::Finished || run.End == ImportRunEnd::Aborted);
        ++files;
    }
    EXPECT_GT(files, 0);
}

} // namespace
