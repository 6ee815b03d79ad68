// The per-value costs of zone conversions in an import or export run: with a
// rule the engine holds, and with the system zone, which is looked up again
// for every value so that a change of TZ is seen at once.

#include "engine/common/time_zone_rule.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

const TimeZoneRule kNewYork{300, 0, -60, 0, {0, 11, 0, 1, 2, 0, 0, 0}, 0, {0, 3, 0, 2, 2, 0, 0, 0}};

// A year of readings, one every 37 minutes, so that both periods and both
// changes are crossed.
COleDateTime Reading(long long i) {
    return COleDateTime(2026, 1, 1, 0, 0, 0) +
           COleDateTimeSpan(0, 0, static_cast<int>(i % 14200) * 37, 0);
}

void BM_LocalToUtcWithRule(benchmark::State& state) {
    long long i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LocalToUtc(kNewYork, LocalTime{Reading(i++)}).value.m_dt);
    }
}
BENCHMARK(BM_LocalToUtcWithRule);

void BM_UtcToLocalWithRule(benchmark::State& state) {
    long long i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(UtcToLocal(kNewYork, UtcTime{Reading(i++)}).value.m_dt);
    }
}
BENCHMARK(BM_UtcToLocalWithRule);

void BM_SystemLocalToUtc(benchmark::State& state) {
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    long long i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SystemLocalToUtc(LocalTime{Reading(i++)}).value.m_dt);
    }
}
BENCHMARK(BM_SystemLocalToUtc);

} // namespace
