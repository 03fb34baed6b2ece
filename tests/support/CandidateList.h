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
    for (const RangeList& ranges : proposeCandidates(text, 1, {}, search)) {
        for (std::size_t i = 0; i < ranges.size(); ++i) all.push_back(ranges[i]);
    }
    return all;
}

} // namespace orvel::testing
