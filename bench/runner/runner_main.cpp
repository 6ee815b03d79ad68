// The calendar benchmark runner. `table` generates calendars of each size,
// runs every step in a child process of its own (this program's step modes,
// and the quillane binary for import and export) and prints one table with
// the ratios to libical:
//   bench_calendar table --quillane PATH [--events 10000,100000] [--work DIR]
//                        [--store-limit N]   (larger sizes are only parsed)
//   bench_calendar generate N ics|vcs PATH [SEED]
//   bench_calendar parse PATH | libical-parse PATH | libical-serialize PATH OUT

#include "bench/engine/import/calendar_generator.h"
#include "bench/runner/benchmark_table.h"
#include "bench/runner/calendar_steps.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: bench_calendar table --quillane PATH [--events N,...] [--work DIR]\n"
               "                           [--store-limit N]\n"
               "       bench_calendar generate N ics|vcs PATH [SEED]\n"
               "       bench_calendar parse|libical-parse PATH\n"
               "       bench_calendar libical-serialize PATH OUT\n",
               stderr);
    return 2;
}

int Generate(const std::vector<std::string>& args) {
    if (args.size() < 4 || (args[2] != "ics" && args[2] != "vcs")) {
        return Usage();
    }
    const CalendarFormat format =
        args[2] == "ics" ? CalendarFormat::ICalendar : CalendarFormat::VCalendar;
    const unsigned long long seed = args.size() > 4 ? std::stoull(args[4]) : 42;
    const size_t size = WriteGeneratedCalendar(args[3], std::stoi(args[1]), format, seed);
    std::printf("%s: %zu bytes\n", args[3].c_str(), size);
    return 0;
}

bool ReadTableOptions(const std::vector<std::string>& args, TableOptions& options) {
    for (size_t i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--quillane") {
            options.quillane = args[i + 1];
        } else if (args[i] == "--work") {
            options.work = args[i + 1];
        } else if (args[i] == "--events") {
            options.sizes = ParseSizes(args[i + 1]);
        } else if (args[i] == "--store-limit" && !ParseSizes(args[i + 1]).empty()) {
            options.storeLimit = ParseSizes(args[i + 1])[0];
        } else {
            return false;
        }
    }
    return args.size() % 2 == 1 && !options.quillane.empty() && !options.sizes.empty();
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    if (args[0] == "generate") {
        return Generate(args);
    }
    if (args.size() == 2 && args[0] == "parse") {
        return ParseStep(args[1]);
    }
    if (args.size() == 2 && args[0] == "libical-parse") {
        return LibicalParseStep(args[1]);
    }
    if (args.size() == 3 && args[0] == "libical-serialize") {
        return LibicalSerializeStep(args[1], args[2]);
    }
    TableOptions options;
    options.self = argv[0];
    if (args[0] == "table" && ReadTableOptions(args, options)) {
        return PrintBenchmarkTable(options);
    }
    return Usage();
}
