// Hostile and large inputs for the encoding detectors: a gzip bomb, a megabyte of base58
// letters, ten megabytes of hex. Each must be answered in bounded time and memory.
#include <sys/resource.h>

#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/Deflater.h"

namespace {

// Peak resident memory of the process so far, in bytes.
double peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024;
}

// Runs `inspect` on `input` and reports how far the process's peak memory rose above what it
// was before the first run.
void inspectWithPeakMemory(benchmark::State& state, const std::string& input) {
    const double baseline = peakResidentBytes();
    for (auto _ : state) benchmark::DoNotOptimize(orvel::inspect(input));
    state.counters["peak_MiB_over_baseline"] = (peakResidentBytes() - baseline) / (1 << 20);
    state.counters["input_MB"] = static_cast<double>(input.size()) / 1e6;
}

void BM_InspectBase64GzipBombOfOneGiB(benchmark::State& state) {
    // 1 GiB of zeros, as `head -c 1G /dev/zero | gzip -9 | base64 -w0` would give it.
    static const std::string bomb = orvel::testing::base64Encode(
        orvel::testing::compress(std::string(std::size_t{1} << 20, '\0'), orvel::testing::Framing::gzip, 1024));
    inspectWithPeakMemory(state, bomb);
}
BENCHMARK(BM_InspectBase64GzipBombOfOneGiB)->Unit(benchmark::kMillisecond)->Iterations(5);

// `length` random letters of the base58 alphabet.
std::string base58Letters(std::size_t length) {
    constexpr std::string_view alphabet = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
    std::mt19937 random(58);
    std::string letters(length, ' ');
    for (char& c : letters) c = alphabet[random() % alphabet.size()];
    return letters;
}

void BM_InspectOneMegabyteOfBase58Letters(benchmark::State& state) {
    inspectWithPeakMemory(state, base58Letters(1'000'000));
}
BENCHMARK(BM_InspectOneMegabyteOfBase58Letters)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_InspectBase58LettersAtTheInputCap(benchmark::State& state) {
    // The longest text the base58 detector decodes (and then declines: random bytes are no text).
    const std::string input = base58Letters(orvel::Limits::maxBase58InputBytes);
    for (auto _ : state) benchmark::DoNotOptimize(orvel::inspect(input));
}
BENCHMARK(BM_InspectBase58LettersAtTheInputCap)->Unit(benchmark::kMicrosecond);

void BM_InspectTenMegabytesOfHexText(benchmark::State& state) {
    // Hex of readable text: the chain decodes it and inspects the 5 MB of text once more.
    const std::string line = "2025-01-31T08:00:00Z INFO request served in 12 ms\n";
    std::string input;
    input.reserve(10'000'000);
    while (input.size() < 10'000'000) {
        for (const unsigned char byte : line) {
            input += "0123456789abcdef"[byte >> 4];
            input += "0123456789abcdef"[byte & 15];
        }
    }
    inspectWithPeakMemory(state, input);
}
BENCHMARK(BM_InspectTenMegabytesOfHexText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InspectBase64GzipJSON(benchmark::State& state) {
    const std::string json = R"({"service":"billing","retry":[1,2,4],"path":"/v1/invoices","ok":false})";
    const std::string input =
        orvel::testing::base64Encode(orvel::testing::compress(json, orvel::testing::Framing::gzip));
    for (auto _ : state) benchmark::DoNotOptimize(orvel::inspect(input));
}
BENCHMARK(BM_InspectBase64GzipJSON)->Unit(benchmark::kMicrosecond);

} // namespace
