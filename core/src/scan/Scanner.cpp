#include "orvel/Scanner.h"

#include <sched.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <numeric>
#include <span>
#include <thread>

#include "scan/CandidateSources.h"
#include "scan/Parallel.h"

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
        for (const char* p = m_text.data() + m_counted;
             (p = static_cast<const char*>(std::memchr(p, '\n', m_text.data() + offset - p))); ++p) {
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

// The candidates grouped into clusters, in text order: runs of candidates, taken by their
// starts, whose ranges overlap one another directly or through other members. Candidates of
// different clusters never overlap, so each cluster can be decided on its own, in any order and
// on any thread. A cluster lists its members in candidate order.
class OverlapClusters {
public:
    explicit OverlapClusters(const std::vector<TextRange>& candidates) : m_members(candidates.size()) {
        std::iota(m_members.begin(), m_members.end(), std::size_t{0});
        std::stable_sort(m_members.begin(), m_members.end(),
                         [&](std::size_t a, std::size_t b) { return candidates[a].begin < candidates[b].begin; });
        for (std::size_t next = 0; next < m_members.size();) {
            const std::size_t first = next;
            std::size_t end = candidates[m_members[next]].end;
            while (++next < m_members.size() && candidates[m_members[next]].begin < end) {
                end = std::max(end, candidates[m_members[next]].end);
            }
            std::sort(m_members.begin() + static_cast<std::ptrdiff_t>(first),
                      m_members.begin() + static_cast<std::ptrdiff_t>(next));
            m_firsts.push_back(first);
        }
        m_firsts.push_back(m_members.size());
    }

    std::size_t count() const { return m_firsts.size() - 1; }
    /// How many candidates the clusters before `index` hold together.
    std::size_t first(std::size_t index) const { return m_firsts[index]; }
    std::span<const std::size_t> members(std::size_t index) const {
        return std::span(m_members).subspan(m_firsts[index], m_firsts[index + 1] - m_firsts[index]);
    }

private:
    std::vector<std::size_t> m_members; // candidate indices, cluster after cluster
    std::vector<std::size_t> m_firsts;  // where each cluster begins in m_members, then the end
};

// Work is handed to threads in pieces of whole clusters with at least this many candidates,
// enough to outweigh the hand-over and few enough to keep the threads evenly busy.
constexpr std::size_t kCandidatesPerPiece = 2048;
// Below this size a scan is over before a second thread would have started to help.
constexpr std::size_t kThreadsFromBytes = std::size_t{1} << 20;
// Progress is reported at most once per this many candidates.
constexpr std::size_t kProgressEvery = 4096;

// The first cluster of each piece of work, then one past the last cluster.
std::vector<std::size_t> piecesOf(const OverlapClusters& clusters) {
    std::vector<std::size_t> firsts;
    for (std::size_t cluster = 0; cluster < clusters.count(); ++cluster) {
        if (firsts.empty() || clusters.first(cluster) - clusters.first(firsts.back()) >= kCandidatesPerPiece) {
            firsts.push_back(cluster);
        }
    }
    firsts.push_back(clusters.count());
    return firsts;
}

// The cores this process may run on: a scan confined to one core (taskset, a container's CPU
// set) gains nothing from a second thread.
unsigned usableCores() {
#if defined(__linux__)
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0) return static_cast<unsigned>(std::max(1, CPU_COUNT(&cores)));
#endif
    return std::max(1U, std::thread::hardware_concurrency());
}

struct Settled {
    TextRange range;
    DecodeChain chain;
};

} // namespace

Scanner::Scanner(ChainEngine engine) : Scanner(std::move(engine), Options{}) {}

Scanner::Scanner(ChainEngine engine, Options options) : m_engine(std::move(engine)), m_options(options) {}

Scanner::Summary Scanner::scan(std::string_view text, const FindingSink& found, const Progress& progress,
                               std::stop_token stop) const {
    // The caller's request and the sink's answer end the scan alike, through the one token that
    // every thread and every inspection watches.
    std::stop_source halt;
    const std::stop_callback relay(stop, [&halt] { halt.request_stop(); });
    const std::stop_token halted = halt.get_token();
    const DecodeContext context = DecodeContext::current();

    const unsigned threads = m_options.threads != 0            ? m_options.threads
                             : text.size() < kThreadsFromBytes ? 1
                                                               : usableCores();
    const std::vector<TextRange> candidates = proposeCandidates(text, threads, halted, m_options.candidateSearch);
    Summary summary{candidates.size(), 0, false};
    if (halted.stop_requested()) {
        summary.stopped = true;
        return summary;
    }
    const OverlapClusters clusters(candidates);

    // A candidate over its time budget counts as declined, wherever it stands.
    const auto cutoffFor = [&](std::size_t bytes) {
        return ChainEngine::Cutoff{halted, std::chrono::steady_clock::now() + m_options.candidateTime +
                                               m_options.candidateTimePerMiB * static_cast<std::int64_t>(bytes) /
                                                   (std::int64_t{1} << 20)};
    };
    struct Decided {
        std::vector<Settled> accepted;
        std::size_t candidatesEnd; // candidates examined once this piece is handed over
        std::size_t overTimeBudget = 0;
    };

    // Within a cluster the sources' order decides: an earlier candidate wins an overlap. A
    // stopped scan leaves the cluster half decided, but such a piece is never handed over.
    const auto decideCluster = [&](std::size_t cluster, Decided& decided) {
        std::vector<Settled>& accepted = decided.accepted;
        const std::size_t firstAccepted = accepted.size();
        AcceptedRanges taken;
        for (const std::size_t index : clusters.members(cluster)) {
            if (halted.stop_requested()) return;
            const TextRange& candidate = candidates[index];
            if (taken.overlapsAny(candidate)) continue;
            const std::size_t bytes = candidate.end - candidate.begin;
            std::optional<DecodeChain> chain =
                m_engine.inspect(text.substr(candidate.begin, bytes), cutoffFor(bytes), context);
            if (!chain) ++decided.overTimeBudget;
            if (!chain || !chain->isRecognized()) continue;
            taken.add(candidate);
            accepted.push_back({candidate, std::move(*chain)});
        }
        std::stable_sort(accepted.begin() + static_cast<std::ptrdiff_t>(firstAccepted), accepted.end(),
                         [](const Settled& a, const Settled& b) { return a.range.begin < b.range.begin; });
    };

    const std::vector<std::size_t> pieceFirstCluster = piecesOf(clusters);
    const std::size_t pieces = pieceFirstCluster.size() - 1;

    const auto decidePiece = [&](std::size_t piece) {
        Decided decided{{}, clusters.first(pieceFirstCluster[piece + 1])};
        for (std::size_t cluster = pieceFirstCluster[piece]; cluster < pieceFirstCluster[piece + 1]; ++cluster) {
            decideCluster(cluster, decided);
        }
        return decided;
    };

    LineCounter lines(text);
    std::size_t reported = 0;
    const auto stopHere = [&summary] {
        summary.stopped = true;
        return false;
    };
    // Answers whether the scan goes on. A piece is handed over only when nothing stopped the
    // scan before it was whole, so the findings handed over are always the scan's first.
    const auto handOver = [&](Decided&& decided) {
        if (halted.stop_requested()) return stopHere(); // the piece may be half decided
        summary.overTimeBudget += decided.overTimeBudget;
        for (Settled& settled : decided.accepted) {
            if (halted.stop_requested()) return stopHere();
            std::string matchedText = settled.chain.input;
            ScanFinding finding{std::move(matchedText), lines.lineAt(settled.range.begin), std::move(settled.chain),
                                settled.range.begin};
            if (found(std::move(finding)) == Next::stop) {
                halt.request_stop();
                return stopHere();
            }
        }
        // The last report, after the last piece, is the final count.
        if (progress && decided.candidatesEnd - reported >= kProgressEvery &&
            decided.candidatesEnd < candidates.size()) {
            reported = decided.candidatesEnd;
            progress(reported, candidates.size());
        }
        return true;
    };

    forEachInOrder(pieces, threads, decidePiece, handOver);
    if (!summary.stopped && progress) progress(candidates.size(), candidates.size());
    return summary;
}

std::vector<ScanFinding> Scanner::scan(std::string_view text, const Progress& progress) const {
    std::vector<ScanFinding> findings;
    scan(
        text,
        [&findings](ScanFinding&& finding) {
            findings.push_back(std::move(finding));
            return Next::keepGoing;
        },
        progress);
    return findings;
}

} // namespace orvel
