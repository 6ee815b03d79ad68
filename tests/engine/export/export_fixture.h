#pragma once
// An export against a real calendar store in a temporary folder: the system
// zone pinned to New York, the registry empty (en-US locale), the encodings
// catalogue of the module folder, the store's Redemption objects, and a
// scripted user at the progress window.

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_items.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/export/cv_cal_export.h"
#include "host/store_json.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/registry.h"
#include "tests/platform/outlook/store_redemption.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

inline DATE Local(int year, int month, int day, int hour = 0, int minute = 0) {
    return COleDateTime(year, month, day, hour, minute, 0);
}

// The user at the progress window: presses Cancel before the given step
// (1 = before the first item) and records what the window was told.
class ScriptedProgress : public IProgressWindow {
public:
    bool ProgressCreate(HWND, int id) override {
        dialogId = id;
        return !refuseToStart;
    }
    void ProgressSetText(const std::string& value) override { text = value; }
    void ProgressSetRange(int steps) override { range = steps; }
    void ProgressExtendRange(int steps) override { range += steps; }
    void ProgressStep() override { ++position; }
    bool ProgressCancelled() override { return ++asked >= cancelBeforeAsk && cancelBeforeAsk > 0; }
    bool ProgressTakeHelpRequest() override { return false; }
    void ProgressClose() override { closed = true; }

    bool refuseToStart = false;
    int cancelBeforeAsk = 0; // 0: never
    int dialogId = 0;
    std::string text;
    int range = 0;
    int position = 0;
    int asked = 0;
    bool closed = false;
};

class ExportTest : public ::testing::Test {
protected:
    ExportTest() {
        RegistryReset();
        outlook_ = OpenOutlookStore(store_.File("calendar.db"), true, u"14.0.0.4760", {});
        converter_ = std::make_unique<vSyncCharConverter>();
        g_charConverter = converter_.get();
        options_.folder = Calendar();
        options_.outputFolder = out_.Path();
        options_.encoding = "UTF-8";
    }
    ~ExportTest() override {
        g_charConverter = nullptr;
        RegistryReset();
    }

    CComPtr<MAPIFolder> Calendar() {
        return outlook_->GetSession()->GetDefaultFolder(olFolderCalendar);
    }
    // Loads appointments given in the store's JSON form.
    void Add(const nlohmann::json& appointments) {
        for (const nlohmann::json& appointment : appointments) {
            LoadAppointment(appointment,
                            QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add()));
        }
    }
    ExportRunResult Run(const ExportFilter* filter = nullptr) {
        CvCalExport exporter;
        exporter.outlookVersion = 14;
        return exporter.RunExport(outlook_, options_, filter, progress_, nullptr);
    }
    // The names of the files in the output folder, sorted.
    std::vector<std::string> OutputFiles() const;
    std::string Output(const std::string& name) const { return out_.Read(name); }
    // The one output file's content.
    std::string OnlyOutput() const;

    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    TempFolder store_;
    ScopedEnv state_{"XDG_STATE_HOME", store_.Path().c_str()};
    TempFolder out_;
    StoreRedemption redemption_;
    CComPtr<_Application> outlook_;
    std::unique_ptr<vSyncCharConverter> converter_;
    ExportOptions options_;
    ScriptedProgress progress_;
};
