// The per-item costs of the COM stand-ins in an engine run: every item is
// fetched by a 1-based index variant, held and queried as a counted
// reference, and released.

#include "platform/com/com_ptr.h"
#include "platform/com/guid.h"
#include "platform/com/variant.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

class Item : public IUnknown {};
class Appointment : public Item {};

void BM_CopyAndRelease(benchmark::State& state) {
    CComPtr<Item> item = MakeComObject<Appointment>();
    for (auto _ : state) {
        CComPtr<Item> copy = item;
        benchmark::DoNotOptimize(copy.get());
    }
}
BENCHMARK(BM_CopyAndRelease);

void BM_QueryInterface(benchmark::State& state) {
    CComPtr<IUnknown> any = MakeComObject<Appointment>();
    for (auto _ : state) {
        CComPtr<Appointment> appointment = QueryInterface<Appointment>(any);
        benchmark::DoNotOptimize(appointment.get());
    }
}
BENCHMARK(BM_QueryInterface);

// A run over 100,000 items: index variant, fetch, query, release.
void BM_WalkItems(benchmark::State& state) {
    std::vector<CComPtr<IUnknown>> items;
    for (int i = 0; i < 100000; ++i) {
        items.push_back(MakeComObject<Appointment>());
    }
    for (auto _ : state) {
        for (LONG i = 1; i <= static_cast<LONG>(items.size()); ++i) {
            _variant_t index(i, VT_INT);
            CComPtr<IUnknown> item = items[static_cast<size_t>(index.ToLong() - 1)];
            CComPtr<Appointment> appointment = QueryInterface<Appointment>(item);
            benchmark::DoNotOptimize(appointment.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(items.size()));
}
BENCHMARK(BM_WalkItems)->Unit(benchmark::kMillisecond);

void BM_TextVariant(benchmark::State& state) {
    for (auto _ : state) {
        _variant_t text(u"Weekly project meeting");
        benchmark::DoNotOptimize(text.ToString().size());
    }
}
BENCHMARK(BM_TextVariant);

void BM_NewGuidText(benchmark::State& state) {
    for (auto _ : state) {
        GUID guid;
        CoCreateGuid(&guid);
        benchmark::DoNotOptimize(GuidToString(guid));
    }
}
BENCHMARK(BM_NewGuidText);

} // namespace
