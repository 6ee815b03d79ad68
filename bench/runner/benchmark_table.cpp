#include "bench/runner/benchmark_table.h"

#include "bench/engine/import/calendar_generator.h"
#include "bench/runner/calendar_steps.h"
#include "bench/runner/step_timer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Row {
    std::string step;
    int events = 0;
    double fileMegabytes = 0;
    StepResult result;
};

class Table {
public:
    Table(const TableOptions& options, int events) : options_(options), events_(events) {}

    void Run(const std::string& step, const std::vector<std::string>& argv, size_t fileBytes) {
        const std::string log = options_.work + "/step.out";
        rows_.push_back({step, events_, static_cast<double>(fileBytes) / (1024.0 * 1024.0),
                         RunStep(argv, log)});
        const Row& row = rows_.back();
        std::fprintf(stderr, "%-34s %7d events %9.3f s%s\n", step.c_str(), events_,
                     row.result.stepSeconds, row.result.ok ? "" : "  FAILED");
        if (!row.result.ok) {
            std::fprintf(stderr, "%s\n", row.result.output.c_str());
        }
    }
    const std::vector<Row>& Rows() const { return rows_; }
    const Row* Find(const std::string& step) const {
        for (const Row& row : rows_) {
            if (row.step == step) {
                return &row;
            }
        }
        return nullptr;
    }

private:
    const TableOptions& options_;
    int events_;
    std::vector<Row> rows_;
};

std::string FreshStore(const TableOptions& options, const std::string& name) {
    const std::string store = options.work + "/" + name + ".db";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::remove(store + suffix);
    }
    return store;
}

// An empty output folder. The files of an earlier run are deleted and
// flushed before the step is timed: a file system that discards freed blocks
// would otherwise charge the deletion of 100,000 files to the export after it.
std::string FreshFolder(const TableOptions& options, const std::string& name) {
    const std::string folder = options.work + "/" + name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    ::sync();
    return folder;
}

// A copy of the store a fresh duplicate import filled (its files as the
// import left them), for a re-import of the same file.
std::string CopyOfFilledStore(const TableOptions& options, int events, const std::string& name) {
    const std::string filled = options.work + "/" + std::to_string(events) + "-duplicate.db";
    const std::string store = FreshStore(options, std::to_string(events) + "-" + name);
    for (const char* suffix : {"", "-wal"}) {
        if (fs::exists(filled + suffix)) {
            fs::copy_file(filled + suffix, store + suffix);
        }
    }
    return store;
}

// Each resolution into a fresh store, then replace and leave re-importing
// the same file into a store that holds it already: every event meets its
// conflict.
void RunImports(const TableOptions& options, Table& table, int events, const std::string& ics,
                size_t bytes) {
    for (const char* conflict : {"duplicate", "replace", "leave"}) {
        const std::string store =
            FreshStore(options, std::to_string(events) + "-" + std::string(conflict));
        RunStep({options.quillane, "--store", store, "store", "init"}, options.work + "/init.out");
        table.Run(std::string("import .ics --conflict ") + conflict,
                  {options.quillane, "--store", store, "import", ics, "--conflict", conflict},
                  bytes);
    }
    for (const char* conflict : {"replace", "leave"}) {
        const std::string store =
            CopyOfFilledStore(options, events, std::string("again-") + conflict);
        table.Run(std::string("re-import .ics --conflict ") + conflict,
                  {options.quillane, "--store", store, "import", ics, "--conflict", conflict},
                  bytes);
    }
}

void RunExports(const TableOptions& options, Table& table, int events, size_t bytes) {
    const std::string store = options.work + "/" + std::to_string(events) + "-duplicate.db";
    const std::string one = FreshFolder(options, std::to_string(events) + "-one");
    table.Run("export .ics, one file",
              {options.quillane, "--store", store, "export", "--to", one, "--format", "ics",
               "--one-file"},
              bytes);
    const std::string items = FreshFolder(options, std::to_string(events) + "-items");
    table.Run("export .ics, file per item",
              {options.quillane, "--store", store, "export", "--to", items, "--format", "ics"},
              bytes);
}

Table RunSize(const TableOptions& options, int events) {
    Table table(options, events);
    const std::string ics = options.work + "/" + std::to_string(events) + ".ics";
    const std::string vcs = options.work + "/" + std::to_string(events) + ".vcs";
    const size_t icsBytes = WriteGeneratedCalendar(ics, events, CalendarFormat::ICalendar);
    const size_t vcsBytes = WriteGeneratedCalendar(vcs, events, CalendarFormat::VCalendar);
    table.Run("parse .ics", {options.self, "parse", ics}, icsBytes);
    table.Run("parse .vcs", {options.self, "parse", vcs}, vcsBytes);
    if (HaveLibical()) {
        table.Run("libical parse .ics", {options.self, "libical-parse", ics}, icsBytes);
        table.Run("libical serialize .ics",
                  {options.self, "libical-serialize", ics, options.work + "/libical.ics"},
                  icsBytes);
    }
    if (events <= options.storeLimit) {
        RunImports(options, table, events, ics, icsBytes);
        RunExports(options, table, events, icsBytes);
    }
    return table;
}

void PrintRows(const Table& table) {
    for (const Row& row : table.Rows()) {
        const StepResult& r = row.result;
        std::printf("| %-34s | %7d | %7.1f | %8.3f | %9.0f | %8.1f | %5.2f |%s\n", row.step.c_str(),
                    row.events, row.fileMegabytes, r.stepSeconds, row.events / r.stepSeconds,
                    r.peakMegabytes, r.peakMegabytes / row.fileMegabytes, r.ok ? "" : " failed");
    }
}

// One goal: the measured ratio against the bound it must reach.
void PrintGoal(const char* what, const Row* ours, const Row* theirs, double bound, int events) {
    if (ours == nullptr || theirs == nullptr || !ours->result.ok || !theirs->result.ok) {
        std::printf("- %d events, %s: not measured\n", events, what);
        return;
    }
    const double ratio = theirs->result.stepSeconds / ours->result.stepSeconds;
    std::printf("- %d events, %s: %.2fx (goal %.1fx) %s\n", events, what, ratio, bound,
                ratio >= bound ? "met" : "MISSED");
}

// Peak memory must stay under twice the file plus a constant. The constant
// is measured: the same step on a one-event calendar (start-up, code page
// tables, the language file, an empty store).
void PrintMemoryGoal(const Row& row, const Table& constant) {
    const Row* base = constant.Find(row.step);
    if (base == nullptr || !base->result.ok || row.step.rfind("libical", 0) == 0) {
        return;
    }
    const double bound = 2.0 * row.fileMegabytes + base->result.peakMegabytes;
    const bool met = row.result.peakMegabytes < bound;
    if (!met || row.step == "import .ics --conflict duplicate" || row.step == "parse .ics") {
        std::printf("- %d events, %s: peak memory %.1f MB, bound %.1f MB (twice the file plus "
                    "%.1f MB for one event) %s\n",
                    row.events, row.step.c_str(), row.result.peakMegabytes, bound,
                    base->result.peakMegabytes, met ? "met" : "MISSED");
    }
}

void PrintGoals(const Table& table, int events, const Table& constant) {
    const Row* libParse = table.Find("libical parse .ics");
    PrintGoal("parse vs libical parse", table.Find("parse .ics"), libParse, 5.0, events);
    for (const char* resolution : {"duplicate", "replace", "leave"}) {
        const std::string step = std::string("import .ics --conflict ") + resolution;
        const std::string what =
            std::string("durable import (") + resolution + ") vs libical parse";
        PrintGoal(what.c_str(), table.Find(step), libParse, 1.0, events);
    }
    PrintGoal("leave re-import vs libical parse", table.Find("re-import .ics --conflict leave"),
              libParse, 1.0, events);
    PrintGoal("one-file export vs libical serialize", table.Find("export .ics, one file"),
              table.Find("libical serialize .ics"), 2.0, events);
    for (const Row& row : table.Rows()) {
        PrintMemoryGoal(row, constant);
    }
}

} // namespace

std::vector<int> ParseSizes(const std::string& text) {
    std::vector<int> sizes;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        char* end = nullptr;
        const long value = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0' || value <= 0) {
            return {};
        }
        sizes.push_back(static_cast<int>(value));
    }
    return sizes;
}

int PrintBenchmarkTable(const TableOptions& options) {
    fs::create_directories(options.work);
    setenv("XDG_STATE_HOME", options.work.c_str(), 1);
    setenv("XDG_CONFIG_HOME", options.work.c_str(), 1);
    setenv("TZ", "Europe/Berlin", 1);
    const Table constant = RunSize(options, 1);
    std::vector<std::pair<int, Table>> tables;
    for (int events : options.sizes) {
        tables.emplace_back(events, RunSize(options, events));
    }
    std::printf("| step | events | file MB | seconds | events/s | peak MB | peak/file |\n"
                "|---|---:|---:|---:|---:|---:|---:|\n");
    bool allOk = true;
    for (const auto& [events, table] : tables) {
        PrintRows(table);
        for (const Row& row : table.Rows()) {
            allOk = allOk && row.result.ok;
        }
    }
    std::printf("\nGoals (libical %s):\n", HaveLibical() ? "built in" : "not installed");
    for (const auto& [events, table] : tables) {
        PrintGoals(table, events, constant);
    }
    return allOk ? 0 : 1;
}
