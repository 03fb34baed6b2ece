// Hostile and large inputs for the text and structured-format detectors: a deep YAML
// staircase, a megabyte of "&amp;", ampersands that never close, escapes, entity bombs in XML
// and in binary property lists, an element with 40,000 attributes, a property list nested past
// its cap. Each must be answered in bounded time, stack and memory.
#include <sys/resource.h>

#include <algorithm>
#include <string>

#include <benchmark/benchmark.h>

#include "detectors/HTMLEntitiesDetector.h"
#include "detectors/YAMLDetector.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/BillionLaughs.h"

namespace {

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

template <typename Decode>
void measure(benchmark::State& state, const std::string& input, Decode decode) {
    const double baseline = peakResidentMiB();
    for (auto _ : state) benchmark::DoNotOptimize(decode(input));
    state.counters["peak_MiB_over_baseline"] = peakResidentMiB() - baseline;
    state.counters["input_MB"] = static_cast<double>(input.size()) / 1e6;
}

/// "k:" lines one space further in each time: every line one level deeper than the last.
std::string yamlStaircase(std::size_t depth) {
    std::string text;
    for (std::size_t level = 0; level + 1 < depth; ++level) text += std::string(level, ' ') + "k:\n";
    return text + std::string(depth - 1, ' ') + "k: v";
}

/// The deepest staircase that still fits under the inspection cap: depth d costs about d²/2
/// bytes, so 50,000 levels would need 1.25 GB.
std::string deepestStaircaseUnderCap() {
    std::size_t depth = 5800;
    std::string text = yamlStaircase(depth);
    while (text.size() > orvel::Limits::maxInspectBytes) text = yamlStaircase(--depth);
    return text;
}

void BM_YAMLStaircaseDetector(benchmark::State& state) {
    const std::string input = yamlStaircase(static_cast<std::size_t>(state.range(0)));
    measure(state, input, [](const std::string& text) { return orvel::YAMLDetector().decode(text); });
}
BENCHMARK(BM_YAMLStaircaseDetector)->Arg(512)->Arg(513)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_YAMLStaircaseInspectAtCap(benchmark::State& state) {
    const std::string input = deepestStaircaseUnderCap();
    state.SetLabel(std::to_string(std::count(input.begin(), input.end(), '\n') + 1) + " levels");
    measure(state, input, [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_YAMLStaircaseInspectAtCap)->Unit(benchmark::kMillisecond);

void BM_YAMLFiftyThousandLines(benchmark::State& state) {
    // 50,000 lines of a realistic manifest shape: a list of small mappings.
    std::string input;
    while (input.size() < 50'000 * 16) input += "- name: web\n  port: 8080\n  tags:\n    - a\n    - b\n";
    measure(state, input, [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_YAMLFiftyThousandLines)->Unit(benchmark::kMillisecond);

std::string repeated(std::string_view unit, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) text += unit;
    return text;
}

void BM_HTMLEntitiesOneMegabyteOfAmp(benchmark::State& state) {
    const std::string input = repeated("&amp;", 1 << 20);
    measure(state, input, [](const std::string& text) { return orvel::HTMLEntitiesDetector().decode(text); });
}
BENCHMARK(BM_HTMLEntitiesOneMegabyteOfAmp)->Unit(benchmark::kMillisecond);

void BM_InspectOneMegabyteOfAmp(benchmark::State& state) {
    measure(state, repeated("&amp;", 1 << 20), [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectOneMegabyteOfAmp)->Unit(benchmark::kMillisecond);

void BM_InspectAmpersandsWithoutSemicolon(benchmark::State& state) {
    // Every "&" reaches for the one ";" at the end: quadratic if the search restarted each time.
    measure(state, std::string(1 << 20, '&') + "&amp;;", [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectAmpersandsWithoutSemicolon)->Unit(benchmark::kMillisecond);

void BM_InspectOneMegabyteOfUnicodeEscapes(benchmark::State& state) {
    measure(state, repeated(R"(caf\u00e9 \x41 )", 1 << 20),
            [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectOneMegabyteOfUnicodeEscapes)->Unit(benchmark::kMillisecond);

void BM_InspectXMLBillionLaughs(benchmark::State& state) {
    measure(state, orvel::testing::billionLaughs(), [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectXMLBillionLaughs)->Unit(benchmark::kMillisecond);

void BM_InspectOneMegabyteXML(benchmark::State& state) {
    std::string input = "<orders>";
    for (int i = 0; input.size() < (1u << 20); ++i) {
        input += "<order id=\"" + std::to_string(i) + "\"><item sku=\"A-1\">Widget</item><qty>3</qty><note/></order>";
    }
    input += "</orders>";
    measure(state, input, [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectOneMegabyteXML)->Unit(benchmark::kMillisecond);

void BM_InspectXMLAttributesOnOneElement(benchmark::State& state) {
    // libxml2 spends the square of a tag's attributes on it: 40,000 took 19 s before they were
    // counted first, and the pre-scan now declines them.
    std::string input = "<r";
    for (std::int64_t i = 0; i < state.range(0); ++i) input += " a" + std::to_string(i) + "=\"v\"";
    input += "/>";
    measure(state, input, [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectXMLAttributesOnOneElement)->Arg(1000)->Arg(40'000)->Unit(benchmark::kMillisecond);

void BM_InspectPlistNestedPastTheCap(benchmark::State& state) {
    // 30,000 arrays whose quoted attribute hides their depth from a naive tag scan; libplist
    // would recurse through them all when writing.
    std::string input = "<plist version=\"1.0\">";
    for (int i = 0; i < 30'000; ++i) input += "<array x=\"/>\">";
    for (int i = 0; i < 30'000; ++i) input += "</array>";
    input += "</plist>";
    measure(state, input, [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectPlistNestedPastTheCap)->Unit(benchmark::kMillisecond);

void appendBigEndian(std::string& out, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

void BM_InspectBinaryPlistSharedObjectBomb(benchmark::State& state) {
    // 64 arrays, each naming the next twice: 2^64 nodes once expanded, 700 bytes of base64.
    constexpr int levels = 64;
    std::string plist = "bplist00";
    for (int i = 0; i < levels; ++i) {
        plist += static_cast<char>(i + 1 < levels ? 0xA2 : 0xA0);
        if (i + 1 < levels) {
            appendBigEndian(plist, static_cast<std::uint64_t>(i + 1), 1);
            appendBigEndian(plist, static_cast<std::uint64_t>(i + 1), 1);
        }
    }
    const std::size_t offsetTable = plist.size();
    for (int i = 0; i < levels; ++i) appendBigEndian(plist, 8 + static_cast<std::uint64_t>(i) * 3, 2);
    plist += std::string(6, '\0');
    plist += '\x02';
    plist += '\x01';
    appendBigEndian(plist, levels, 8);
    appendBigEndian(plist, 0, 8);
    appendBigEndian(plist, offsetTable, 8);
    measure(state, orvel::testing::base64Encode(plist), [](const std::string& text) { return orvel::inspect(text); });
}
BENCHMARK(BM_InspectBinaryPlistSharedObjectBomb)->Unit(benchmark::kMicrosecond);

} // namespace
