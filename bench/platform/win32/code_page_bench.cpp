// The per-field cost of code-page conversion in an engine run: every text
// field of every item goes through one conversion, mostly short texts that
// convert whole, sometimes with characters the code page lacks.

#include "platform/win32/code_page.h"

#include <benchmark/benchmark.h>

namespace {

// An 80-character subject in Latin script with accents.
const std::u16string kSubject =
    u"R\u00e9union d'\u00e9quipe: planification du trimestre, salle B\u00e9atrice 4";

// The same length with every tenth character outside windows-1252.
std::u16string SubjectWithMissingCharacters() {
    std::u16string text = kSubject;
    for (size_t i = 0; i < text.size(); i += 10) {
        text[i] = u'\u0416';
    }
    return text;
}

void BM_EncodeSubject(benchmark::State& state) {
    auto codePage = static_cast<UINT>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideToMultiByte(codePage, kSubject));
    }
}
BENCHMARK(BM_EncodeSubject)->Arg(65001)->Arg(1252)->Arg(932);

void BM_EncodeSubjectWithMissingCharacters(benchmark::State& state) {
    std::u16string text = SubjectWithMissingCharacters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideToMultiByte(1252, text));
    }
}
BENCHMARK(BM_EncodeSubjectWithMissingCharacters);

void BM_EncodeSubjectInAnsiCodePage(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideToAnsi(kSubject));
    }
}
BENCHMARK(BM_EncodeSubjectInAnsiCodePage);

void BM_DecodeBody(benchmark::State& state) {
    std::string body = WideToMultiByte(65001, kSubject).value_or("");
    for (int i = 0; i < 6; ++i) {
        body += body;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(MultiByteToWide(65001, body));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeBody);

} // namespace
