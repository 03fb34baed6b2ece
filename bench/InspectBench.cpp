// Median inspect time for a small wrapped document and for a large plain one.
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/Orvel.h"
#include "support/Base64Encode.h"

namespace {

// About 200 bytes once wrapped: a typical API error body.
const std::string kSmallDocument =
    R"({"error":"invalid_request","status":400,"path":"/v1/orders/7f3a","trace":"a1b2c3d4e5f6","retry":false,"limits":[10,20,50],"docs":"/errors/400"})";

std::string largeDocument() {
    std::string json = "[";
    for (int i = 0; json.size() < (1u << 20); ++i) {
        if (i > 0) json += ',';
        json += R"({"id":)" + std::to_string(i) + R"(,"name":"user-)" + std::to_string(i) +
                R"(","email":"user@example.com","active":true,"score":)" + std::to_string(i % 97) + ".5}";
    }
    return json + "]";
}

void BM_InspectBase64WrappedJSON(benchmark::State& state) {
    const std::string input = orvel::testing::base64Encode(kSmallDocument);
    for (auto _ : state) benchmark::DoNotOptimize(orvel::inspect(input));
    state.SetLabel(std::to_string(input.size()) + " bytes");
}
BENCHMARK(BM_InspectBase64WrappedJSON)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_InspectOneMegabyteJSON(benchmark::State& state) {
    const std::string input = largeDocument();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::inspect(input));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_InspectOneMegabyteJSON)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace
