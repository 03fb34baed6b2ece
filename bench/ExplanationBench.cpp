// The prompt and the template text are built for every inspection; cutting long values must
// cost in proportion to the kept prefix, not to the payload, so a megabyte final value stays cheap.
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/ExplanationRequest.h"
#include "orvel/Orvel.h"
#include "orvel/TemplateExplainer.h"
#include "support/Base64Encode.h"
#include "support/SampleChains.h"

namespace {

orvel::DecodeChain megabyteChain() {
    std::string json = "[";
    for (int i = 0; json.size() < (1u << 20); ++i)
        json += (i > 0 ? ",\"caf\u00E9 " : "\"caf\u00E9 ") + std::to_string(i) + "\"";
    return orvel::inspect(orvel::testing::base64Encode(json + "]"));
}

void BM_PromptForJWTChain(benchmark::State& state) {
    const orvel::DecodeChain chain = orvel::testing::jwtChain();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::ExplanationRequest(chain));
}
BENCHMARK(BM_PromptForJWTChain)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_PromptForMegabyteChain(benchmark::State& state) {
    const orvel::DecodeChain chain = megabyteChain();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::ExplanationRequest(chain));
    state.SetLabel(std::to_string(chain.finalValue().size()) + " byte final value");
}
BENCHMARK(BM_PromptForMegabyteChain)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_TemplateForJWTChain(benchmark::State& state) {
    const orvel::DecodeChain chain = orvel::testing::jwtChain();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::TemplateExplainer().explainSync(chain));
}
BENCHMARK(BM_TemplateForJWTChain)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace
