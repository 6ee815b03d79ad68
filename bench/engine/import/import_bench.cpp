// Importing a generated iCalendar file (2,000 or 100,000 events) into a fresh calendar
// store, with each conflict resolution: duplicate into an empty folder,
// then leave and replace over a folder that already holds every event.
// Counters: events a second, the process's peak resident memory and the
// file's size.

#include "bench/engine/import/calendar_generator.h"
#include "bench/silent_progress.h"
#include "engine/common/outlook_constants.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cv_cal_import.h"
#include "platform/outlook/outlook_store.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::filesystem::path BenchFolder() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("quillane-import-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

ImportRun ImportInto(const std::string& store, const std::string& file, int conflict) {
    CComPtr<_Application> outlook = OpenOutlookStore(store, true, u"14.0", OutlookHooks{});
    ImportOptions options;
    options.Application = outlook;
    options.Paths = {file};
    options.TargetFolder = outlook->GetSession()->GetDefaultFolder(olFolderCalendar);
    options.ConflictResolution = conflict;
    GetSystemTimeZone(options.DefaultTimeZone);
    CvCalImport engine([](const std::string&, LONG, const char*, int, int) {});
    SilentProgress progress;
    return engine.Run(options, ImportFilter{}, progress, nullptr);
}

void BM_Import(benchmark::State& state) {
    int conflict = static_cast<int>(state.range(0));
    int events = static_cast<int>(state.range(1));
    vSyncCharConverter converter;
    g_charConverter = &converter;
    SetRedemptionFactory(CreateStoreRedemptionObject);
    std::filesystem::path folder = BenchFolder();
    std::string file = (folder / "events.ics").string();
    size_t size = WriteGeneratedCalendar(file, events, CalendarFormat::ICalendar);
    long long imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string store = (folder / "calendar.db").string();
        std::filesystem::remove(store);
        if (conflict != kConflictDuplicate) {
            ImportInto(store, file, kConflictDuplicate);
        }
        state.ResumeTiming();
        ImportRun run = ImportInto(store, file, conflict);
        imported += run.Counters.Imported + run.Counters.Skipped;
    }
    state.counters["events_per_s"] =
        benchmark::Counter(static_cast<double>(imported), benchmark::Counter::kIsRate);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
    state.counters["file_MB"] = static_cast<double>(size) / (1024.0 * 1024.0);
    SetRedemptionFactory(nullptr);
    g_charConverter = nullptr;
    std::filesystem::remove_all(folder);
}

// Arguments: conflict resolution, number of events (2,000 for a quick look,
// 100,000 for the goal).
BENCHMARK(BM_Import)
    ->ArgsProduct({{kConflictDuplicate, kConflictLeave, kConflictReplace}, {2000, 100000}})
    ->UseRealTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace
