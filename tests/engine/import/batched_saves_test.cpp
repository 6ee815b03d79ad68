// An import saves in batches of the store: another reader of the store sees
// every appointment once the run has ended, and the ones saved so far
// whenever the run waits for the user or is cancelled.

#include "platform/outlook/outlook_store.h"
#include "platform/win32/message_box.h"
#include "tests/engine/import/import_fixture.h"

namespace {

class BatchedSavesTest : public ImportTest {
protected:
    // The calendar's appointments as another session of the store sees them.
    LONG CountSeenByAnotherSession() {
        CComPtr<_Application> other =
            OpenOutlookStore(folder_.File("calendar.db"), false, u"14.0", OutlookHooks{});
        return other->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->GetCount();
    }
    std::string Events(int count, int firstDay) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i) {
            const std::string day = "200703" + std::to_string(10 + firstDay + i);
            std::vector<std::string> event =
                Event({"DTSTART:" + day + "T090000", "DTEND:" + day + "T100000",
                       "SUMMARY:Event " + std::to_string(i)});
            lines.insert(lines.end(), event.begin(), event.end());
        }
        return Calendar("2.0", lines);
    }
};

TEST_F(BatchedSavesTest, AWaitingBoxFindsTheSavedAppointmentsCommitted) {
    std::vector<LONG> seenAtBox;
    SetMessageBoxHook([&](HWND, const std::string&, const std::string&, UINT) {
        seenAtBox.push_back(CountSeenByAnotherSession());
        return IDOK;
    });
    const std::string first = folder_.Write("first.ics", Events(3, 0));
    const std::string second = folder_.Write("second.ics", Events(2, 5));
    ImportRun run = ImportPaths({first, folder_.File("missing.ics"), second});

    EXPECT_EQ(run.Counters.Imported, 5);
    EXPECT_EQ(seenAtBox, std::vector<LONG>{3});
    EXPECT_EQ(CountSeenByAnotherSession(), 5);
}

TEST_F(BatchedSavesTest, ACancelledRunKeepsWhatItImported) {
    progress_.cancelAfter = 2;
    ImportRun run = ImportText("five.ics", Events(5, 0));

    EXPECT_EQ(run.End, ImportRunEnd::Cancelled);
    EXPECT_EQ(run.Counters.Imported, 2);
    EXPECT_EQ(CountSeenByAnotherSession(), 2);
}

TEST_F(BatchedSavesTest, ReplaceInABatchFindsAndDeletesAppointmentsOfTheSameBatch) {
    // The file holds each event twice: the second copy replaces the first,
    // which the run saved moments before and has not committed yet.
    std::string text = Events(3, 0);
    const std::string body = text.substr(text.find("BEGIN:VEVENT"),
                                         text.rfind("END:VCALENDAR") - text.find("BEGIN:VEVENT"));
    text.insert(text.rfind("END:VCALENDAR"), body);
    ImportRun run = ImportText("twice.ics", text, kConflictReplace);

    EXPECT_EQ(run.Counters.Imported, 6);
    EXPECT_EQ(CountSeenByAnotherSession(), 3);
}

} // namespace
