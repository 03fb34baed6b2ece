#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string_view>
#include <vector>

#include "orvel/DecodeChain.h"
#include "orvel/Detector.h"

namespace orvel {

using DetectorList = std::vector<std::shared_ptr<const Detector>>;

class ShapeTable;

/// Peels one layer per pass: offers the text to every detector, takes the most confident
/// answer that makes progress and repeats on its output.
class ChainEngine {
public:
    /// The standard configuration's threshold: an answer this confident or more may be a step.
    static constexpr double standardThreshold = 0.5;
    /// The standard configuration's depth: a chain holds at most this many steps.
    static constexpr int standardMaxDepth = 12;

    explicit ChainEngine(DetectorList detectors, double threshold = standardThreshold, int maxDepth = standardMaxDepth);

    /// What may end an inspection before its chain is complete. A detector is never cut short:
    /// a stop request is honoured before the next detector, a deadline once the pass is over.
    struct Cutoff {
        std::stop_token stop = {};
        std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();

        /// The time deadlines are held to: steady_clock as of its last tick, a few milliseconds
        /// behind at most, read in a fraction of the time a precise reading takes (a scan reads
        /// it for every candidate).
        static std::chrono::steady_clock::time_point now();
    };

    /// The chain for `text`, every step judged as of `context`; never fails (an unrecognised
    /// text gives a chain without steps).
    DecodeChain inspect(std::string_view text, const DecodeContext& context = DecodeContext::current()) const;

    /// The same chain, or absent when `cutoff` ends the inspection first. A chain is whole or
    /// not at all: a partial one could end in a step a later detector would have outbid.
    std::optional<DecodeChain> inspect(std::string_view text, const Cutoff& cutoff,
                                       const DecodeContext& context = DecodeContext::current()) const;

    const DetectorList& detectors() const { return m_detectors; }
    double threshold() const { return m_threshold; }
    int maxDepth() const { return m_maxDepth; }

private:
    friend class Scanner; // which keeps only the chains of recognised candidates

    /// The steps of the chain for `text`, or absent when `cutoff` ends the inspection first.
    std::optional<std::vector<DecodeResult>> stepsFor(std::string_view text, const Cutoff& cutoff,
                                                      const DecodeContext& context) const;

    DetectorList m_detectors;
    std::vector<double> m_ceilings; ///< for each detector, the highest confidence it or any after it declares
    std::shared_ptr<const ShapeTable> m_shapes; ///< which detectors a text's bytes rule out
    double m_threshold;
    int m_maxDepth;
};

} // namespace orvel
