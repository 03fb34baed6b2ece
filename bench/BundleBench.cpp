// The certificate bundle view over the system's CA bundle and over a generated 10,000-certificate
// text: it must stay linear, and the CA bundle well under a second.
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/CertificateBundle.h"
#include "support/TestData.h"

namespace {

using namespace orvel;

void measure(benchmark::State& state, const std::string& text) {
    const RiskContext context = currentRiskContext();
    std::size_t certificates = 0;
    for (auto _ : state) {
        const CertificateBundle bundle = readCertificateBundle(text, context);
        certificates = bundle.certificates.size();
        benchmark::DoNotOptimize(bundle);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(std::to_string(certificates) + " certificates, " + std::to_string(text.size()) + " bytes");
}

void BM_SystemCABundle(benchmark::State& state) {
    std::ifstream in("/etc/ssl/certs/ca-certificates.crt", std::ios::binary);
    if (!in) {
        state.SkipWithError("/etc/ssl/certs/ca-certificates.crt is absent");
        return;
    }
    measure(state, std::string{std::istreambuf_iterator<char>(in), {}});
}
BENCHMARK(BM_SystemCABundle)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// A leaf, intermediate and root repeated: every link checked, thousands of names in the index.
void BM_GeneratedBundle(benchmark::State& state) {
    const std::string chain = testing::readTestData("risk/certs/chain-leaf.cert.pem") +
                              testing::readTestData("risk/certs/chain-intermediate.cert.pem") +
                              testing::readTestData("risk/certs/chain-root.cert.pem");
    std::string text;
    for (std::int64_t i = 0; i < state.range(0) / 3; ++i) text += chain;
    measure(state, text);
}
BENCHMARK(BM_GeneratedBundle)
    ->Arg(999)
    ->Arg(9999)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace
