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
// not a line feed, and a lone CR ends nothing.
class LineIndex {
public:
    explicit LineIndex(std::string_view text) {
        for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p)));
             ++p) {
            if (p == text.data() || p[-1] != '\r') m_lineFeeds.push_back(static_cast<std::size_t>(p - text.data()));
        }
    }
    int lineAt(std::size_t offset) const {
        const auto before = std::lower_bound(m_lineFeeds.begin(), m_lineFeeds.end(), offset) - m_lineFeeds.begin();
        return static_cast<int>(before) + 1;
    }

private:
    std::vector<std::size_t> m_lineFeeds;
};

} // namespace

Scanner::Scanner(ChainEngine engine) : m_engine(std::move(engine)) {}

std::vector<ScanFinding> Scanner::scan(std::string_view text, const Progress& progress) const {
    struct Accepted {
        TextRange range;
        DecodeChain chain;
    };
    std::vector<Accepted> accepted;
    AcceptedRanges taken;
    const std::vector<TextRange> candidates = proposeCandidates(text);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (progress && i % 4096 == 0) progress(i, candidates.size());
        const TextRange& candidate = candidates[i];
        if (taken.overlapsAny(candidate)) continue;
        DecodeChain chain = m_engine.inspect(text.substr(candidate.begin, candidate.end - candidate.begin));
        if (!chain.isRecognized()) continue;
        taken.add(candidate);
        accepted.push_back({candidate, std::move(chain)});
    }

    if (progress) progress(candidates.size(), candidates.size());

    std::stable_sort(accepted.begin(), accepted.end(),
                     [](const Accepted& a, const Accepted& b) { return a.range.begin < b.range.begin; });
    std::vector<ScanFinding> findings;
    findings.reserve(accepted.size());
    const LineIndex lines(text);
    for (Accepted& found : accepted) {
        std::string matchedText = found.chain.input;
        findings.push_back({std::move(matchedText), lines.lineAt(found.range.begin), std::move(found.chain)});
    }
    return findings;
}

} // namespace orvel
