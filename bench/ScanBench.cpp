// Scan throughput on a realistic log, alone and on several threads, the split between proposing
// candidates and inspecting them, and scaling on adversarial inputs (each 10 MB case should cost
// about ten 1 MB cases; bench/scan-scaling runs them fairly).
#include <benchmark/benchmark.h>

#include "AdversarialScans.h"
#include "LogGenerator.h"
#include "orvel/Orvel.h"
#include "scan/BracketMatcher.h"
#include "scan/CandidatePrefilter.h"
#include "scan/CandidateSources.h"

namespace {

const std::string& mixedLog() {
    static const std::string log = orvel::bench::LogGenerator().generate(std::size_t{8} << 20);
    return log;
}

// Argument: threads, 0 for the scanner's own choice (every usable core on a text this size).
void BM_ScanMixedLog(benchmark::State& state) {
    const orvel::Scanner scanner(orvel::standardEngine(), {.threads = static_cast<unsigned>(state.range(0))});
    for (auto _ : state) benchmark::DoNotOptimize(scanner.scan(mixedLog()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mixedLog().size()));
}
BENCHMARK(BM_ScanMixedLog)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ProposeCandidatesMixedLog(benchmark::State& state) {
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(orvel::proposeCandidates(mixedLog(), threads));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mixedLog().size()));
}
BENCHMARK(BM_ProposeCandidatesMixedLog)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Two parts of the proposal on their own: the prefilter's windows for every pattern, without the
// matching in them, and the bracket matcher.
void BM_PrefilterWindowsMixedLog(benchmark::State& state) {
    using orvel::Patterns::Id;
    for (auto _ : state) {
        const orvel::CandidatePrefilter prefilter(mixedLog());
        std::size_t windows = 0;
        for (const Id id : {Id::scanPEM, Id::scanPasswordHash, Id::scanJWT, Id::scanUUID, Id::scanQueryString,
                            Id::scanBase64, Id::scanHex, Id::scanMilliseconds, Id::scanSeconds}) {
            prefilter.forEachWindow(id, [&](const orvel::TextRange&) { ++windows; });
        }
        benchmark::DoNotOptimize(windows);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mixedLog().size()));
}
BENCHMARK(BM_PrefilterWindowsMixedLog)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_JSONRangesMixedLog(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(orvel::jsonRanges(mixedLog()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mixedLog().size()));
}
BENCHMARK(BM_JSONRangesMixedLog)->Unit(benchmark::kMillisecond)->Iterations(5);

// Scaling is only fair between runs that start alike: bench/scan-scaling runs each case in a
// fresh process, and a small log first builds the expressions and tables every scan shares.
void BM_ScanAdversarial(benchmark::State& state) {
    const auto shape = static_cast<std::size_t>(state.range(0));
    const std::string text =
        orvel::bench::kAdversarialScans[shape].make(static_cast<std::size_t>(state.range(1)) << 20);
    benchmark::DoNotOptimize(orvel::scan(orvel::bench::LogGenerator().generate(std::size_t{64} << 10)));
    for (auto _ : state) benchmark::DoNotOptimize(orvel::scan(text));
    state.SetLabel(std::string(orvel::bench::kAdversarialScans[shape].name) + " x " + std::to_string(state.range(1)) +
                   " MB");
}
BENCHMARK(BM_ScanAdversarial)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {1, 10}})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
