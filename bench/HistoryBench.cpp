// The desktop application writes the whole history after every recognised inspection and reads
// it at start-up, on its main thread: both must stay far below a frame for a full history.
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/InspectionHistory.h"

namespace {

// 50 entries the size of real tokens (about 200 characters), with slashes to escape.
orvel::InspectionHistory fullHistory() {
    orvel::InspectionHistory history({}, 50);
    for (int i = 0; i < 50; ++i) {
        std::string input = "eyJhbGciOiJIUzI1NiJ9." + std::string(150, 'A') + "/" + std::to_string(i) + ".sig/+";
        history.record(orvel::HistoryEntry(std::move(input), {"jwt", "json"}, true, 1733000000 + i));
    }
    return history;
}

void BM_EncodeFullHistory(benchmark::State& state) {
    const orvel::InspectionHistory history = fullHistory();
    for (auto _ : state) benchmark::DoNotOptimize(history.encoded());
}
BENCHMARK(BM_EncodeFullHistory)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_DecodeFullHistory(benchmark::State& state) {
    const std::string data = fullHistory().encoded();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::InspectionHistory::decoded(data, 50));
    state.SetLabel(std::to_string(data.size()) + " bytes");
}
BENCHMARK(BM_DecodeFullHistory)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_RecordIntoFullHistory(benchmark::State& state) {
    orvel::InspectionHistory history = fullHistory();
    std::int64_t i = 0;
    for (auto _ : state) {
        ++i;
        history.record(orvel::HistoryEntry("input " + std::to_string(i), {"hex"}, true, i));
    }
}
BENCHMARK(BM_RecordIntoFullHistory)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace
