#pragma once

#include <stop_token>
#include <string_view>
#include <vector>

#include "orvel/Scanner.h"
#include "scan/RangeList.h"

namespace orvel {

/// The stretches of `text` worth inspecting, one list per source in priority order (armour
/// blocks, password hashes, tokens, bracket runs, UUIDs, query strings, base64-like runs, hex
/// runs, 13- and 10-digit numbers), each list in text order: the candidates are the lists one
/// after another, kept apart because joining them would hold every candidate twice. Stretches
/// may overlap. The sources are independent, so up to `threads` threads may each run some of
/// them. Once `stop` is requested the sources not yet run are skipped, and the lists are
/// incomplete. Either way of `search` gives the same lists.
std::vector<RangeList> proposeCandidates(std::string_view text, unsigned threads = 1, const std::stop_token& stop = {},
                                         Scanner::CandidateSearch search = Scanner::CandidateSearch::prefiltered);

} // namespace orvel
