#pragma once
// An import into a calendar store in a temporary folder: the system zone
// pinned to New York, the registry empty (en-US locale), Redemption
// working on the store, the log and message boxes recorded, and a progress
// window that can cancel after a given number of steps.

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/import/cv_cal_import.h"
#include "platform/com/com_error.h"
#include "tests/platform/outlook/store_redemption.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A progress window that counts, and cancels once it has been stepped
// cancelAfter times (never when 0).
class RecordingProgress : public IProgressWindow {
public:
    bool ProgressCreate(HWND, int) override { return created = canCreate; }
    void ProgressSetText(const std::string& value) override { text = value; }
    void ProgressSetRange(int steps) override { range = steps; }
    void ProgressExtendRange(int steps) override { range += steps; }
    void ProgressStep() override { ++steps; }
    bool ProgressCancelled() override { return cancelAfter > 0 && steps >= cancelAfter; }
    bool ProgressTakeHelpRequest() override { return false; }
    void ProgressClose() override { closed = true; }

    bool canCreate = true;
    bool created = false;
    bool closed = false;
    std::string text;
    int range = 0;
    int steps = 0;
    int cancelAfter = 0;
};

struct LoggedLine {
    std::string text;
    std::string where;
    int level;
};

struct ShownBox {
    std::string text;
    std::string caption;
    UINT type;
};

// A local wall-clock date-time.
inline DATE Local(int y, int mo, int d, int h = 0, int mi = 0) {
    return COleDateTime(y, mo, d, h, mi, 0);
}

// "BEGIN:VCALENDAR ... END:VCALENDAR" around the lines, CR LF ended.
std::string Calendar(const std::string& version, const std::vector<std::string>& lines);
// One VEVENT of the given lines.
std::vector<std::string> Event(const std::vector<std::string>& lines);

class ImportTest : public ::testing::Test {
protected:
    ImportTest();
    ~ImportTest() override;

    CComPtr<MAPIFolder> CalendarFolder();
    // The calendar's appointments by start (series as one item each).
    std::vector<CComPtr<_AppointmentItem>> Appointments();
    // Imports the paths with the given resolution and filter.
    ImportRun ImportPaths(const std::vector<std::string>& paths, int conflict = kConflictDuplicate,
                          const ImportFilter* filter = nullptr);
    // Writes the text as a file and imports it.
    ImportRun ImportText(const std::string& name, const std::string& text,
                         int conflict = kConflictDuplicate, const ImportFilter* filter = nullptr);
    // The one appointment the last import made.
    CComPtr<_AppointmentItem> Only();
    bool Logged(const std::string& part) const;

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    StoreRedemption redemption_;
    CComPtr<_Application> outlook_;
    std::vector<LoggedLine> log_;
    std::vector<ShownBox> boxes_;
    int boxAnswer_ = IDOK;
    RecordingProgress progress_;
    std::unique_ptr<CvCalImport> engine_;
    std::string defaultZoneName_ = "Eastern Time";
    TimeZoneRule defaultZone_{};
};
