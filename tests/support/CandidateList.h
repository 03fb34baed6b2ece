#pragma once

// The scanner's candidates as one list, for tests that read them in candidate order.
#include <string_view>
#include <vector>

#include "scan/CandidateSources.h"

namespace orvel::testing {

/// Every candidate of `text` found by `search`, the sources' lists one after another.
inline std::vector<TextRange> candidatesOf(std::string_view text,
                                           Scanner::CandidateSearch search = Scanner::CandidateSearch::prefiltered) {
    std::vector<TextRange> all;
    for (const auto& ranges : proposeCandidates(text, 1, {}, search))
        all.insert(all.end(), ranges.begin(), ranges.end());
    return all;
}

} // namespace orvel::testing
