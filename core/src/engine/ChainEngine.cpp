#include "orvel/ChainEngine.h"

#include <time.h>

#include <bit>
#include <cmath>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "engine/ShapeTable.h"
#include "orvel/Limits.h"
#include "orvel/Unicode.h"
#include "text/Regex.h"
#include "text/Text.h"

namespace orvel {
namespace {

constexpr std::size_t kLongestProfiled = std::size_t{4} << 10;

// The most confident acceptable answer for `current`; the earlier detector keeps a tie, so once
// the answer held is as confident as any later detector can be, the rest are not asked, and
// neither are those whose shapes `current` has none of. Gives up, answering nothing, once a stop
// is requested.
std::optional<DecodeResult> chooseResult(const DetectorList& detectors, std::span<const double> ceilings,
                                         const ShapeTable& shapes, double threshold, std::string_view current,
                                         const DecodeContext& context, const std::stop_token& stop) {
    std::optional<DecodeResult> chosen;
    // A long text's bytes take longer to read than the few detectors they rule out take to
    // decline it: every detector is asked.
    const bool profiled = current.size() <= kLongestProfiled;
    const std::uint64_t admitted =
        profiled ? shapes.admitted(shapes.profileOf(Text::trimmed(current))) : ~std::uint64_t{0};
    // Only the admitted are visited; the ceilings never rise, so one past a skipped detector
    // ends the search where the skipped one would have.
    for (std::size_t index = 0; index < detectors.size(); ++index) {
        if (index < 64) {
            const std::uint64_t ahead = admitted >> index;
            if (ahead == 0) {
                index = 63;
                continue;
            }
            index += static_cast<std::size_t>(std::countr_zero(ahead));
            if (index >= detectors.size()) break;
        }
        if (stop.stop_requested()) return std::nullopt;
        if (chosen && chosen->confidence >= ceilings[index]) break;
        auto result = detectors[index]->decode(current, context);
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
    : m_detectors(std::move(detectors)), m_ceilings(m_detectors.size()),
      m_shapes(std::make_shared<const ShapeTable>(m_detectors)), m_threshold(threshold), m_maxDepth(maxDepth) {
    double ceiling = -std::numeric_limits<double>::infinity();
    for (std::size_t index = m_detectors.size(); index-- > 0;) {
        // A ceiling that is no number bounds nothing.
        const double declared = m_detectors[index]->highestConfidence();
        ceiling = declared <= ceiling    ? ceiling
                  : std::isnan(declared) ? std::numeric_limits<double>::infinity()
                                         : declared;
        m_ceilings[index] = ceiling;
    }
}

std::chrono::steady_clock::time_point ChainEngine::Cutoff::now() {
#if defined(CLOCK_MONOTONIC_COARSE)
    // steady_clock reads CLOCK_MONOTONIC, whose ticks this clock keeps.
    timespec tick{};
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &tick) == 0) {
        return std::chrono::steady_clock::time_point(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::seconds(tick.tv_sec) + std::chrono::nanoseconds(tick.tv_nsec)));
    }
#endif
    return std::chrono::steady_clock::now();
}

DecodeChain ChainEngine::inspect(std::string_view text, const DecodeContext& context) const {
    return *inspect(text, Cutoff{}, context);
}

std::optional<DecodeChain> ChainEngine::inspect(std::string_view text, const Cutoff& cutoff,
                                                const DecodeContext& context) const {
    std::optional<std::vector<DecodeResult>> steps = stepsFor(text, cutoff, context);
    if (!steps) return std::nullopt;
    return DecodeChain{std::string(text), std::move(*steps)};
}

std::optional<std::vector<DecodeResult>> ChainEngine::stepsFor(std::string_view text, const Cutoff& cutoff,
                                                               const DecodeContext& context) const {
    std::vector<DecodeResult> steps;
    const std::string_view input = Text::trimmed(text);
    // The text of each pass: the input, trimmed (only the first pass is), then every step's
    // output as it is. The steps hold them all, so none is copied.
    const auto examined = [&](std::size_t pass) -> std::string_view {
        return pass == 0 ? input : std::string_view(steps[pass - 1].output);
    };
    // Hashes of the canonical forms of the texts examined so far: a repeat means the encodings
    // cycle. Texts are compared only where their hashes agree. A first pass repeats nothing, so
    // the hashes are taken once a second pass needs them, which most inspections never reach.
    std::vector<std::size_t> seen;
    const auto seenBefore = [&](std::size_t pass) {
        if (pass == 0) return false;
        while (seen.size() <= pass) seen.push_back(Unicode::canonicalHash(examined(seen.size())));
        for (std::size_t earlier = 0; earlier < pass; ++earlier) {
            if (seen[earlier] == seen[pass] && Unicode::canonicallyEqual(examined(earlier), examined(pass)))
                return true;
        }
        return false;
    };
    std::size_t outputBytes = 0;

    while (std::cmp_less(steps.size(), m_maxDepth)) {
        const std::string_view current = examined(steps.size());
        if (seenBefore(steps.size())) break;

        // The detectors' patterns need not check the text's UTF-8 once this pass has.
        const std::optional<ValidText> valid = ValidText::of(current);
        std::optional<TrustedText> trust;
        if (valid) trust.emplace(*valid);
        auto chosen = chooseResult(m_detectors, m_ceilings, *m_shapes, m_threshold, current, context, cutoff.stop);
        trust.reset();
        if (cutoff.stop.stop_requested()) return std::nullopt;
        // The clock is read once a pass, and only when there is a deadline: an unbounded
        // inspection pays nothing for the bound.
        if (cutoff.deadline != std::chrono::steady_clock::time_point::max() && Cutoff::now() > cutoff.deadline) {
            return std::nullopt;
        }
        if (!chosen) break;
        steps.push_back(std::move(*chosen));
        const DecodeResult& step = steps.back();
        if (step.terminal) break;
        outputBytes += step.output.size();
        if (outputBytes >= Limits::maxChainOutputBytes) break;
    }
    return steps;
}

} // namespace orvel
