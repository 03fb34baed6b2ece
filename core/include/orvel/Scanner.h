#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"
#include "orvel/ScanFinding.h"

namespace orvel {

/// Finds every artifact embedded in a longer text: proposes candidate stretches from ten fixed
/// sources, keeps those the engine recognises and that do not overlap an earlier find, and
/// returns them in text order with their lines.
class Scanner {
public:
    /// `threads` decide candidates; 0 lets the scanner choose by the text's size and the
    /// machine. The findings are the same on any number of threads.
    explicit Scanner(ChainEngine engine, unsigned threads = 0);

    /// Told how many candidates have been looked at out of how many, now and then.
    using Progress = std::function<void(std::size_t examined, std::size_t total)>;

    /// Receives the findings one by one, in text order.
    using FindingSink = std::function<void(ScanFinding&&)>;

    /// Every finding in `text` (valid UTF-8), sorted by position. Never fails.
    std::vector<ScanFinding> scan(std::string_view text, const Progress& progress = {}) const;

    /// The same findings handed over as soon as they are settled, so that a large log's
    /// findings need not all be held at once. `found` and `progress` are called one at a time
    /// and in order, but when several threads scan, not always on the calling thread.
    void scan(std::string_view text, const FindingSink& found, const Progress& progress = {}) const;

private:
    ChainEngine m_engine;
    unsigned m_threads;
};

} // namespace orvel
