#include "orvel/ChainEngine.h"

#include <algorithm>
#include <utility>

#include "orvel/Limits.h"
#include "orvel/Text.h"
#include "orvel/Unicode.h"

namespace orvel {
namespace {

// The most confident acceptable answer for `current`; the earlier detector keeps a tie.
std::optional<DecodeResult> chooseResult(const DetectorList& detectors, double threshold,
                                         const std::string& current) {
    std::optional<DecodeResult> chosen;
    for (const auto& detector : detectors) {
        auto result = detector->decode(current);
        if (!result) continue;
        // Written so that a NaN confidence never passes.
        if (!(result->confidence >= threshold)) continue;
        // A non-terminal step must make progress; a terminal rendering may repeat its input.
        if (!result->terminal && Unicode::canonicallyEqual(result->output, current)) continue;
        if (!chosen || result->confidence > chosen->confidence) chosen = std::move(result);
    }
    return chosen;
}

} // namespace

ChainEngine::ChainEngine(DetectorList detectors, double threshold, int maxDepth)
    : m_detectors(std::move(detectors)), m_threshold(threshold), m_maxDepth(maxDepth) {}

DecodeChain ChainEngine::inspect(std::string_view text) const { return *peel(text, nullptr); }

std::optional<DecodeChain> ChainEngine::inspect(std::string_view text, std::chrono::steady_clock::time_point deadline) const {
    return peel(text, &deadline);
}

std::optional<DecodeChain> ChainEngine::peel(std::string_view text, const std::chrono::steady_clock::time_point* deadline) const {
    DecodeChain chain{std::string(text), {}};
    // Only the first pass is trimmed; every later pass sees a detector's output as it is.
    std::string current(Text::trimmed(text));
    // Canonical forms of every examined text: a repeat means the encodings cycle.
    std::vector<std::string> seen;
    std::size_t outputBytes = 0;

    while (std::cmp_less(chain.steps.size(), m_maxDepth)) {
        std::string canonical = Unicode::nfc(current);
        if (std::find(seen.begin(), seen.end(), canonical) != seen.end()) break;
        seen.push_back(std::move(canonical));

        auto chosen = chooseResult(m_detectors, m_threshold, current);
        if (deadline && std::chrono::steady_clock::now() > *deadline) return std::nullopt;
        if (!chosen) break;
        chain.steps.push_back(std::move(*chosen));
        const DecodeResult& step = chain.steps.back();
        if (step.terminal) break;
        outputBytes += step.output.size();
        if (outputBytes >= Limits::maxChainOutputBytes) break;
        current = step.output;
    }
    return chain;
}

} // namespace orvel
