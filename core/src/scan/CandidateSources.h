#pragma once

#include <stop_token>
#include <string_view>
#include <vector>

#include "orvel/Scanner.h"
#include "text/Regex.h"

namespace orvel {

/// The stretches of `text` worth inspecting, source by source in priority order (armour
/// blocks, password hashes, tokens, bracket runs, UUIDs, query strings, base64-like runs, hex
/// runs, 13- and 10-digit numbers), each source in text order. Stretches may overlap. The
/// sources are independent, so up to `threads` threads may each run some of them. Once `stop`
/// is requested the sources not yet run are skipped, and the list is incomplete. Either way of
/// `search` gives the same list.
std::vector<TextRange> proposeCandidates(std::string_view text, unsigned threads = 1, const std::stop_token& stop = {},
                                         Scanner::CandidateSearch search = Scanner::CandidateSearch::prefiltered);

} // namespace orvel
