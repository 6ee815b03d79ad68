// Reading and parsing a generated 100,000-event calendar (iCalendar, about
// 75 MB, and vCalendar) into events, as an import does before it creates
// anything: the whole file read and settled, every content line unfolded and
// split, every value decoded. Counters: events a second, the process's peak
// resident memory and the file's size, and the log lines the parse wrote
// (none for these files).

#include "bench/engine/import/calendar_generator.h"
#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "engine/import/read_file.h"
#include "platform/win32/files.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kEvents = 100000;

class CountingConsumer : public ParsedEventConsumer {
public:
    int AddEvent(CvCalParser&) override {
        ++events;
        return 0;
    }
    void EventFailed(CvCalParser&) override {}
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}

    long long events = 0;
};

// The generated file, written once per format and removed at exit.
class GeneratedFile {
public:
    explicit GeneratedFile(CalendarFormat format)
        : path_((std::filesystem::temp_directory_path() /
                 ("quillane-parse-bench-" + std::to_string(getpid()) +
                  (format == CalendarFormat::ICalendar ? ".ics" : ".vcs")))
                    .string()),
          size_(WriteGeneratedCalendar(path_, kEvents, format)) {}
    ~GeneratedFile() { std::filesystem::remove(path_); }

    const std::string& Path() const { return path_; }
    size_t Size() const { return size_; }

private:
    std::string path_;
    size_t size_;
};

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void ParseGeneratedFile(benchmark::State& state, CalendarFormat format) {
    static GeneratedFile ics(CalendarFormat::ICalendar);
    static GeneratedFile vcs(CalendarFormat::VCalendar);
    const GeneratedFile& file = format == CalendarFormat::ICalendar ? ics : vcs;
    if (g_charConverter == nullptr) {
        g_charConverter = new vSyncCharConverter();
    }
    long long logLines = 0;
    ImportLogSink sink = [&logLines](const std::string&, LONG, const char*, int, int) {
        ++logLines;
    };
    long long events = 0;
    for (auto _ : state) {
        std::string text;
        _ReadFile(CreateFileA(file.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                  text, nullptr, sink);
        CountingConsumer consumer;
        CvCalParser parser(consumer, sink);
        parser.FileName = file.Path();
        parser.Parse(text);
        events += consumer.events;
    }
    state.SetBytesProcessed(static_cast<int64_t>(file.Size()) * state.iterations());
    state.counters["events_per_s"] =
        benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["file_mb"] = static_cast<double>(file.Size()) / (1024.0 * 1024.0);
    state.counters["peak_rss_mb"] = PeakResidentMegabytes();
    state.counters["log_lines"] = static_cast<double>(logLines);
}

void BM_ParseGeneratedICalendar(benchmark::State& state) {
    ParseGeneratedFile(state, CalendarFormat::ICalendar);
}
BENCHMARK(BM_ParseGeneratedICalendar)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ParseGeneratedVCalendar(benchmark::State& state) {
    ParseGeneratedFile(state, CalendarFormat::VCalendar);
}
BENCHMARK(BM_ParseGeneratedVCalendar)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
