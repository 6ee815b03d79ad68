// The export's speed from the store: events written per second for folders
// of 10,000 and 100,000 appointments of the generator's mix, in one-file and
// per-item mode, and the peak memory of the process (ru_maxrss) after the
// run, which in one-file mode must not grow with the number of appointments
// (run each size in a process of its own to compare it).

#include "bench/engine/export/store_generator.h"
#include "bench/silent_progress.h"
#include "engine/common/outlook_items.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/export/cv_cal_export.h"
#include "platform/outlook/outlook_store.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The stores and output files live in a folder of their own, removed when
// the program ends.
class BenchFolder {
public:
    BenchFolder() {
        setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        path_ = fs::temp_directory_path() / ("quillane-export-bench-" + std::to_string(getpid()));
        fs::create_directories(path_);
        setenv("XDG_STATE_HOME", path_.c_str(), 1);
        SetRedemptionFactory(CreateStoreRedemptionObject);
        g_charConverter = new vSyncCharConverter();
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

CComPtr<_Application> StoreOf(long n) {
    static std::map<long, CComPtr<_Application>> made;
    auto found = made.find(n);
    if (found != made.end()) {
        return found->second;
    }
    CComPtr<_Application> outlook = OpenOutlookStore(
        Folder().File("store-" + std::to_string(n) + ".db"), true, u"14.0", OutlookHooks{});
    GenerateAppointments(outlook, outlook->GetSession()->GetDefaultFolder(olFolderCalendar), n);
    return made[n] = outlook;
}

long PeakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Export(benchmark::State& state, bool oneFile) {
    const long n = state.range(0);
    CComPtr<_Application> outlook = StoreOf(n);
    ExportOptions options;
    options.folder = outlook->GetSession()->GetDefaultFolder(olFolderCalendar);
    options.oneFile = oneFile;
    options.overwrite = true;
    options.encoding = "UTF-8";
    options.outputFolder = Folder().File(oneFile ? "one-file" : "per-item");
    fs::create_directories(options.outputFolder);
    CvCalExport exporter;
    exporter.outlookVersion = 14;
    SilentProgress progress;
    long before = PeakMemoryKb();
    for (auto _ : state) {
        ExportRunResult result = exporter.RunExport(outlook, options, nullptr, progress, nullptr);
        if (result.exported != n) {
            state.SkipWithError("not every appointment was exported");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["peak_rss_kb"] = static_cast<double>(PeakMemoryKb());
    state.counters["rss_growth_kb"] = static_cast<double>(PeakMemoryKb() - before);
}

void BM_ExportOneFile(benchmark::State& state) {
    Export(state, true);
}
BENCHMARK(BM_ExportOneFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ExportPerItem(benchmark::State& state) {
    Export(state, false);
}
BENCHMARK(BM_ExportPerItem)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
