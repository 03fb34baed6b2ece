#include "orvel/Scanner.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>

#include "scan/CandidateSources.h"

namespace orvel {
namespace {

bool overlaps(const TextRange& a, const TextRange& b) {
    return a.begin < a.end && b.begin < b.end && a.begin < b.end && b.begin < a.end;
}

// Accepted ranges never overlap each other, so ordering them by start lets each test look at
// two neighbours only.
class AcceptedRanges {
public:
    bool overlapsAny(const TextRange& range) const {
        auto next = m_byBegin.lower_bound(range.begin);
        if (next != m_byBegin.end() && overlaps(range, next->second)) return true;
        if (next != m_byBegin.begin() && overlaps(range, std::prev(next)->second)) return true;
        return false;
    }
    void add(const TextRange& range) { m_byBegin.emplace(range.begin, range); }

private:
    std::multimap<std::size_t, TextRange> m_byBegin;
};

// Lines are counted in characters: a line feed ends a line, but CR LF is one character that is
// not a line feed, and a lone CR ends nothing. Findings arrive in text order, so one forward
// count serves them all.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : m_text(text) {}
    int lineAt(std::size_t offset) {
        for (const char* p = m_text.data() + m_counted; (p = static_cast<const char*>(std::memchr(p, '\n', m_text.data() + offset - p)));
             ++p) {
            if (p == m_text.data() || p[-1] != '\r') ++m_line;
        }
        m_counted = offset;
        return m_line;
    }

private:
    std::string_view m_text;
    std::size_t m_counted = 0;
    int m_line = 1;
};

// Calls `decide` with each cluster of candidates, in text order: a run of candidates, taken by
// their starts, whose ranges overlap one another directly or through other members. Candidates
// of different clusters never overlap, so each cluster can be decided on its own. The indices
// handed over are in candidate order.
template <typename Decide>
void forEachOverlapCluster(const std::vector<TextRange>& candidates, Decide&& decide) {
    std::vector<std::size_t> byStart(candidates.size());
    for (std::size_t i = 0; i < byStart.size(); ++i) byStart[i] = i;
    std::stable_sort(byStart.begin(), byStart.end(),
                     [&](std::size_t a, std::size_t b) { return candidates[a].begin < candidates[b].begin; });
    std::vector<std::size_t> cluster;
    for (std::size_t next = 0; next < byStart.size();) {
        cluster.clear();
        std::size_t clusterEnd = candidates[byStart[next]].end;
        do {
            cluster.push_back(byStart[next]);
            clusterEnd = std::max(clusterEnd, candidates[byStart[next]].end);
            ++next;
        } while (next < byStart.size() && candidates[byStart[next]].begin < clusterEnd);
        std::sort(cluster.begin(), cluster.end());
        decide(cluster);
    }
}

} // namespace

Scanner::Scanner(ChainEngine engine) : m_engine(std::move(engine)) {}

void Scanner::scan(std::string_view text, const FindingSink& found, const Progress& progress) const {
    const std::vector<TextRange> candidates = proposeCandidates(text);
    LineCounter lines(text);
    std::size_t examined = 0;
    // Within a cluster the sources' order decides: an earlier candidate wins an overlap.
    forEachOverlapCluster(candidates, [&](const std::vector<std::size_t>& cluster) {
        struct Accepted {
            TextRange range;
            DecodeChain chain;
        };
        std::vector<Accepted> accepted;
        AcceptedRanges taken;
        for (const std::size_t index : cluster) {
            if (progress && examined++ % 4096 == 0) progress(examined - 1, candidates.size());
            const TextRange& candidate = candidates[index];
            if (taken.overlapsAny(candidate)) continue;
            DecodeChain chain = m_engine.inspect(text.substr(candidate.begin, candidate.end - candidate.begin));
            if (!chain.isRecognized()) continue;
            taken.add(candidate);
            accepted.push_back({candidate, std::move(chain)});
        }
        std::stable_sort(accepted.begin(), accepted.end(),
                         [](const Accepted& a, const Accepted& b) { return a.range.begin < b.range.begin; });
        for (Accepted& finding : accepted) {
            std::string matchedText = finding.chain.input;
            found(ScanFinding{std::move(matchedText), lines.lineAt(finding.range.begin), std::move(finding.chain)});
        }
    });
    if (progress) progress(candidates.size(), candidates.size());
}

std::vector<ScanFinding> Scanner::scan(std::string_view text, const Progress& progress) const {
    std::vector<ScanFinding> findings;
    scan(text, [&findings](ScanFinding&& finding) { findings.push_back(std::move(finding)); }, progress);
    return findings;
}

} // namespace orvel
