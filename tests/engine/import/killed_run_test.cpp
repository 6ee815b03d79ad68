// An import whose process is killed in the middle leaves only whole
// appointments, and running it again with "leave" completes it without
// duplicates.

#include "engine/common/save_batch.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/code_page.h"
#include "platform/win32/registry.h"
#include "tests/engine/import/import_fixture.h"

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Saves are committed in batches: the kill comes after more than one batch.
constexpr int kEvents = SaveBatch::kMaxItems * 5 / 2;
constexpr int kKilledAfter = SaveBatch::kMaxItems * 3 / 2;

std::string ManyEvents() {
    std::vector<std::string> lines;
    for (int i = 0; i < kEvents; ++i) {
        char start[32];
        char end[32];
        const int year = 2007 + i / 336, month = 1 + i / 28 % 12, day = 1 + i % 28;
        std::snprintf(start, sizeof start, "DTSTART:%04d%02d%02dT090000", year, month, day);
        std::snprintf(end, sizeof end, "DTEND:%04d%02d%02dT100000", year, month, day);
        std::vector<std::string> event = Event({start, end, "SUMMARY:Event " + std::to_string(i)});
        lines.insert(lines.end(), event.begin(), event.end());
    }
    return Calendar("2.0", lines);
}

// Kills its own process once the import has saved enough appointments.
class KillingProgress : public RecordingProgress {
public:
    void ProgressStep() override {
        RecordingProgress::ProgressStep();
        if (steps == kKilledAfter) {
            raise(SIGKILL);
        }
    }
};

ImportRun ImportInto(const std::string& store, const std::string& file, int conflict,
                     IProgressWindow& progress) {
    StoreRedemption redemption;
    CComPtr<_Application> outlook = OpenOutlookStore(store, true, u"14.0", OutlookHooks{});
    ImportOptions options;
    options.Application = outlook;
    options.Paths = {file};
    options.TargetFolder = outlook->GetSession()->GetDefaultFolder(olFolderCalendar);
    options.ConflictResolution = conflict;
    GetSystemTimeZone(options.DefaultTimeZone);
    CvCalImport engine([](const std::string&, LONG, const char*, int, int) {});
    return engine.Run(options, ImportFilter{}, progress, nullptr);
}

TEST(KilledImport, LeavesWholeAppointmentsAndLeaveCompletesIt) {
    RegistryReset();
    TempFolder folder;
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    ScopedEnv state("XDG_STATE_HOME", folder.Path().c_str());
    std::string store = folder.File("calendar.db");
    std::string file = folder.Write("many.ics", ManyEvents());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        KillingProgress progress;
        ImportInto(store, file, kConflictDuplicate, progress);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    CComPtr<_Application> outlook = OpenOutlookStore(store, false, u"14.0", OutlookHooks{});
    // The appointments of the batches committed before the kill, in file
    // order: the last commit was at most one batch before it.
    CComPtr<_Items> items = outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
    const LONG kept = items->GetCount();
    ASSERT_LE(kept, kKilledAfter);
    ASSERT_GE(kept, kKilledAfter - SaveBatch::kMaxItems);
    int next = 0;
    for (CComPtr<IUnknown> each = items->GetFirst(); each; each = items->GetNext()) {
        CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(each);
        EXPECT_EQ(item->GetSubject(), u"Event " + AnsiToWide(std::to_string(next++)));
        EXPECT_EQ(item->GetDuration(), 60);
        EXPECT_EQ(COleDateTime(item->GetStart()).GetHour(), 9);
    }

    RecordingProgress progress;
    ImportRun again = ImportInto(store, file, kConflictLeave, progress);
    EXPECT_EQ(again.Counters.Imported, kEvents - kept);
    EXPECT_EQ(again.Counters.Skipped, kept);
    items = outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
    std::set<std::u16string> subjects;
    for (CComPtr<IUnknown> each = items->GetFirst(); each; each = items->GetNext()) {
        subjects.insert(QueryInterface<_AppointmentItem>(each)->GetSubject());
    }
    EXPECT_EQ(items->GetCount(), kEvents);
    EXPECT_EQ(subjects.size(), static_cast<size_t>(kEvents));
}

} // namespace
