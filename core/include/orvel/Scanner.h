#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"
#include "orvel/Limits.h"
#include "orvel/ScanFinding.h"

namespace orvel {

/// Finds every artifact embedded in a longer text: proposes candidate stretches from ten fixed
/// sources, keeps those the engine recognises and that do not overlap an earlier find, and
/// returns them in text order with their lines.
class Scanner {
public:
    /// How the candidate patterns find their matches: after one prefilter pass that finds where
    /// they can start, or by trying every position of the text. Both give the same candidates;
    /// the exhaustive search is the reference the prefiltered one is tested against, and what
    /// runs where the prefilter cannot.
    enum class CandidateSearch { prefiltered, exhaustive };

    struct Options {
        /// Threads that decide candidates: 0 lets the scanner choose by the text's size (the
        /// calling thread alone below 1 MiB, every core the process may use above), 1 keeps the
        /// whole scan on the calling thread. The findings are the same on any number of threads.
        unsigned threads = 0;
        /// A candidate whose inspection takes longer than `candidateTime`, plus
        /// `candidateTimePerMiB` for each MiB of it, is declined.
        std::chrono::nanoseconds candidateTime = Limits::scanCandidateTime;
        std::chrono::nanoseconds candidateTimePerMiB = Limits::scanCandidateTimePerMiB;
        CandidateSearch candidateSearch = CandidateSearch::prefiltered;
    };

    explicit Scanner(ChainEngine engine);
    Scanner(ChainEngine engine, Options options);

    /// Told how many candidates have been looked at out of how many: first before any is, then
    /// now and then.
    using Progress = std::function<void(std::size_t examined, std::size_t total)>;

    /// What a sink answers for each finding it receives.
    enum class Next { keepGoing, stop };

    /// Receives the findings one by one, in text order; answering Next::stop ends the scan.
    using FindingSink = std::function<Next(ScanFinding&&)>;

    /// Every finding in `text` (valid UTF-8), sorted by position. Never fails.
    std::vector<ScanFinding> scan(std::string_view text, const Progress& progress = {}) const;

    /// What a scan looked at besides its findings.
    struct Summary {
        std::size_t candidates = 0;     ///< stretches proposed
        std::size_t overTimeBudget = 0; ///< candidates declined for taking too long
        /// The scan ended early, at its sink's answer or a stop request: the findings handed over
        /// are the first of the whole scan's, and progress had no final report.
        bool stopped = false;
    };

    /// The same findings handed over as soon as they are settled, so that a large log's
    /// findings need not all be held at once. `found` and `progress` are called one at a time
    /// and in order, but when several threads scan, not always on the calling thread. Once the
    /// sink answers Next::stop or `stop` is requested, no further finding is handed over, the
    /// candidates and inspections under way are abandoned between detectors, and every thread
    /// has finished when scan returns. Every finding is judged as of one instant, read as the
    /// scan starts.
    Summary scan(std::string_view text, const FindingSink& found, const Progress& progress = {},
                 std::stop_token stop = {}) const;

private:
    ChainEngine m_engine;
    Options m_options;
};

} // namespace orvel
