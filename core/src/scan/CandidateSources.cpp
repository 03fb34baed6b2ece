#include "scan/CandidateSources.h"

#include <array>

#include "orvel/Regex.h"
#include "orvel/Unicode.h"
#include "scan/BracketMatcher.h"
#include "scan/Parallel.h"

namespace orvel {
namespace {

// Candidate sources before and after the bracket matcher, in the order they are tried; an
// earlier source wins wherever two candidates overlap.
const std::array<Regex, 3>& sourcesBeforeJSON() {
    static const std::array<Regex, 3> patterns{
        Regex(R"(-----BEGIN [A-Z0-9 ]+-----[A-Za-z0-9+/=\s]+-----END [A-Z0-9 ]+-----)"),
        Regex(R"(\$(?:2[abxy]|[1567]|y|argon2(?:id|i|d)|scrypt|pbkdf2[A-Za-z0-9-]*)\$[A-Za-z0-9./+=,$-]+)"),
        Regex(R"(\beyJ[A-Za-z0-9_-]+\.[A-Za-z0-9_-]+\.[A-Za-z0-9_-]*)"),
    };
    return patterns;
}

const std::array<Regex, 6>& sourcesAfterJSON() {
    static const std::array<Regex, 6> patterns{
        Regex(R"(\b[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}\b)"),
        Regex(R"([A-Za-z_][A-Za-z0-9_.]*=[^\s&]*(?:&[A-Za-z_][A-Za-z0-9_.]*=[^\s&]*)+)"),
        Regex(R"(\b[A-Za-z0-9+/_-]{24,}={0,2})"),
        Regex(R"(\b(?:0x)?[0-9a-fA-F]{16,}\b)"),
        Regex(R"(\b\d{13}\b)"),
        Regex(R"(\b\d{10}\b)"),
    };
    return patterns;
}

std::vector<TextRange> regexRanges(const Regex& pattern, std::string_view text) {
    std::vector<TextRange> ranges = pattern.allMatches(text);
    // A match that starts or ends inside a user-perceived character is no stretch of the text.
    std::erase_if(ranges, [&](const TextRange& range) {
        return !Unicode::isGraphemeBoundary(text, range.begin) || !Unicode::isGraphemeBoundary(text, range.end);
    });
    return ranges;
}

} // namespace

std::vector<TextRange> proposeCandidates(std::string_view text, unsigned threads) {
    const auto& before = sourcesBeforeJSON();
    const auto& after = sourcesAfterJSON();
    const std::size_t sources = before.size() + 1 + after.size();
    const auto rangesOfSource = [&](std::size_t source) {
        if (source < before.size()) return regexRanges(before[source], text);
        if (source == before.size()) return text.empty() ? std::vector<TextRange>() : jsonRanges(text);
        return regexRanges(after[source - before.size() - 1], text);
    };
    std::vector<std::vector<TextRange>> bySource(sources);
    forEachIndex(sources, threads, [&](std::size_t source) { bySource[source] = rangesOfSource(source); });
    std::size_t total = 0;
    for (const auto& ranges : bySource) total += ranges.size();
    std::vector<TextRange> all;
    all.reserve(total);
    for (auto& ranges : bySource) {
        all.insert(all.end(), ranges.begin(), ranges.end());
        std::vector<TextRange>().swap(ranges);
    }
    return all;
}

} // namespace orvel
