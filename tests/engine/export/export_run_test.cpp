// Export runs over a real store: file layouts, the three counters, the
// progress window, the Explorer selection, and what happens when files
// cannot be written or Redemption is missing.

#include "platform/win32/file_faults.h"
#include "tests/engine/export/export_fixture.h"

#include <filesystem>

using nlohmann::json;

namespace {

const json kThreeAppointments = json::parse(R"([
  {"subject": "One", "start": "2007-03-05T09:00:00", "end": "2007-03-05T10:00:00"},
  {"subject": "Two", "start": "2007-03-06T09:00:00", "end": "2007-03-06T10:00:00"},
  {"subject": "Three", "start": "2007-03-07T09:00:00", "end": "2007-03-07T10:00:00"}
])");

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(ExportTest, PerItemModeWritesOneCompleteFilePerAppointment) {
    Add(kThreeAppointments);

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 3);
    EXPECT_EQ(result.Total(), 3);
    ASSERT_EQ(OutputFiles(),
              (std::vector<std::string>{"20070305090000_One.ics", "20070306090000_Two.ics",
                                        "20070307090000_Three.ics"}));
    for (const std::string& name : OutputFiles()) {
        std::string text = Output(name);
        EXPECT_EQ(text.rfind("BEGIN:VCALENDAR\r\nPRODID:", 0), 0u) << name;
        EXPECT_EQ(Count(text, "BEGIN:VEVENT\r\n"), 1) << name;
        EXPECT_TRUE(EndsWith(text, "\r\nEND:VEVENT\r\nEND:VCALENDAR")) << name;
        EXPECT_EQ(result.WrittenFiles.count(out_.File(name)), 1u) << name;
    }
}

TEST_F(ExportTest, OneFileModeNamesTheFileAfterTheFolder) {
    Add(kThreeAppointments);
    options_.oneFile = true;
    options_.format = kFormatVCalendar10;

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 3);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Calendar.vcs"});
    std::string text = Output("Calendar.vcs");
    EXPECT_EQ(Count(text, "BEGIN:VEVENT\r\n"), 3);
    EXPECT_EQ(Count(text, "TZ:"), 1);
    EXPECT_TRUE(EndsWith(text, "END:VEVENT\r\nEND:VCALENDAR"));
    EXPECT_EQ(result.WrittenFiles.size(), 1u);
}

TEST_F(ExportTest, ProgressWindowIsToldTheRangeAndSteppedPerExportedItem) {
    Add(kThreeAppointments);

    Run();

    EXPECT_EQ(progress_.dialogId, 239);
    EXPECT_EQ(progress_.range, 3);
    EXPECT_EQ(progress_.position, 3);
    EXPECT_TRUE(progress_.closed);
}

TEST_F(ExportTest, AnEmptyFolderWritesNothingAndShowsNoProgress) {
    ExportRunResult result = Run();

    EXPECT_EQ(result.Total(), 0);
    EXPECT_TRUE(OutputFiles().empty());
    EXPECT_EQ(progress_.dialogId, 0);
}

TEST_F(ExportTest, CancellingCountsTheCurrentAndLaterItemsAsSkipped) {
    Add(kThreeAppointments);
    progress_.cancelBeforeAsk = 2;

    ExportRunResult result = Run();

    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.exported, 1);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(OutputFiles().size(), 1u);
}

TEST_F(ExportTest, AProgressWindowThatFailsStopsTheRunBeforeAnyItem) {
    Add(kThreeAppointments);
    progress_.refuseToStart = true;

    ExportRunResult result = Run();

    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.Total(), 0);
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(ExportTest, FilteredItemsCountAsSkippedWithoutStepping) {
    Add(json::parse(R"([
      {"subject": "Public", "start": "2007-03-05T09:00:00", "end": "2007-03-05T10:00:00"},
      {"subject": "Secret", "start": "2007-03-06T09:00:00", "end": "2007-03-06T10:00:00",
       "sensitivity": 2}
    ])"));
    options_.useFilter = true;
    ExportFilter filter;
    filter.Flags = kFilterSkipPrivate;

    ExportRunResult result = Run(&filter);

    EXPECT_EQ(result.exported, 1);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(progress_.position, 1);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"20070305090000_Public.ics"});
}

TEST_F(ExportTest, WithoutRedemptionEveryItemFails) {
    Add(kThreeAppointments);
    SetRedemptionFactory({});

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 0);
    EXPECT_EQ(result.failed, 3);
    EXPECT_TRUE(result.WrittenFiles.empty());
}

TEST_F(ExportTest, AMissingOutputFolderFailsEachItemInPerItemMode) {
    Add(kThreeAppointments);
    options_.outputFolder = out_.File("missing");

    ExportRunResult result = Run();

    EXPECT_EQ(result.failed, 3);
    EXPECT_EQ(progress_.position, 3);
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(ExportTest, AMissingOutputFolderFailsTheWholeOneFileRun) {
    Add(kThreeAppointments);
    options_.outputFolder = out_.File("missing");
    options_.oneFile = true;

    ExportRunResult result = Run();

    EXPECT_EQ(result.failed, 3);
    EXPECT_EQ(progress_.dialogId, 0);
}

TEST_F(ExportTest, AFileThatCannotBeCreatedInOneFileModeFailsTheRestOfTheRun) {
    Add(kThreeAppointments);
    options_.oneFile = true;
    ScopedFileFaults faults;
    FailNthOpen(1, ERROR_ACCESS_DENIED);

    ExportRunResult result = Run();

    EXPECT_EQ(result.failed, 3);
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(ExportTest, AFullDiskFailsTheItemsThatDidNotFitAndKeepsTheirFilesOutOfTheList) {
    Add(kThreeAppointments);
    options_.outputFolder = out_.File("measure");
    std::filesystem::create_directory(options_.outputFolder);
    Run();
    auto oneFile = std::filesystem::file_size(out_.File("measure/20070305090000_One.ics"));
    std::filesystem::remove_all(options_.outputFolder);
    options_.outputFolder = out_.Path();
    ScopedFileFaults faults;
    LimitDiskSpace(oneFile + oneFile / 2);

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 1);
    EXPECT_EQ(result.failed, 2);
    EXPECT_EQ(result.WrittenFiles.size(), 1u);
    EXPECT_EQ(result.WrittenFiles.count(out_.File("20070305090000_One.ics")), 1u);
}

TEST_F(ExportTest, EveryFailingWriteOfAOneFileRunIsReported) {
    Add(kThreeAppointments);
    options_.oneFile = true;
    for (unsigned n = 1;; ++n) {
        ExportRunResult result;
        {
            ScopedFileFaults faults;
            FailNthWrite(n, ERROR_WRITE_FAULT);
            result = Run();
            if (!FileFaultHappened()) {
                EXPECT_EQ(result.exported, 3);
                EXPECT_EQ(result.WrittenFiles.size(), 1u);
                break;
            }
        }
        EXPECT_TRUE(result.failed > 0 || result.WrittenFiles.empty()) << "write " << n;
        EXPECT_EQ(result.Total(), 3) << "write " << n;
    }
}

// Enough text for the one file to be written in several pieces.
json ManyLongAppointments(int count) {
    json items = json::array();
    for (int i = 0; i < count; ++i) {
        items.push_back({{"subject", "Item " + std::to_string(i)},
                         {"body", std::string(1000, 'x')},
                         {"start", "2007-03-05T09:00:00"},
                         {"end", "2007-03-05T10:00:00"}});
    }
    return items;
}

TEST_F(ExportTest, ALargeOneFileRunHoldsEveryEventInOrder) {
    Add(ManyLongAppointments(200));
    options_.oneFile = true;

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 200);
    std::string text = Output("Calendar.ics");
    EXPECT_GT(text.size(), 3u * 65536u);
    EXPECT_EQ(Count(text, "BEGIN:VEVENT\r\n"), 200);
    EXPECT_LT(text.find("SUMMARY:Item 198\r\n"), text.find("SUMMARY:Item 199\r\n"));
    EXPECT_TRUE(EndsWith(text, "END:VEVENT\r\nEND:VCALENDAR"));
}

TEST_F(ExportTest, AOneFileRunThatCannotWriteAllItsEventsLeavesNoFileAndExportsNothing) {
    Add(ManyLongAppointments(200));
    options_.oneFile = true;
    ScopedFileFaults faults;
    LimitDiskSpace(100000);

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 0);
    EXPECT_EQ(result.failed, 200);
    EXPECT_TRUE(result.WrittenFiles.empty());
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(ExportTest, ASelectionOfTwoOccurrencesExportsTheSeriesOnce) {
    Add(json::parse(R"([
      {"subject": "Daily", "start": "2007-03-05T09:00:00", "end": "2007-03-05T09:30:00",
       "recurrence": {"recurrence_type": 0, "interval": 1, "occurrences": 5}},
      {"subject": "Single", "start": "2007-03-06T12:00:00", "end": "2007-03-06T13:00:00"}
    ])"));
    CComPtr<_Items> items = Calendar()->GetItems();
    std::u16string series =
        QueryInterface<_AppointmentItem>(items->Item(_variant_t(1, VT_INT)))->GetEntryID();
    std::u16string single =
        QueryInterface<_AppointmentItem>(items->Item(_variant_t(2, VT_INT)))->GetEntryID();
    outlook_->ActiveExplorer()->PutRefCurrentFolder(Calendar());
    SetExplorerSelection(
        outlook_,
        {{series, Local(2007, 3, 6, 9)}, {series, Local(2007, 3, 8, 9)}, {single, std::nullopt}});
    options_.selectedOnly = true;

    ExportRunResult result = Run();

    EXPECT_EQ(result.exported, 2);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(OutputFiles(),
              (std::vector<std::string>{"20070305090000_Daily.ics", "20070306120000_Single.ics"}));
    EXPECT_NE(Output("20070305090000_Daily.ics").find("RRULE:FREQ=DAILY;COUNT=5"),
              std::string::npos);
}

} // namespace
