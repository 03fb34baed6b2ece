#include "orvel/Scanner.h"

#include <sched.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <limits>
#include <map>
#include <numeric>
#include <span>
#include <thread>

#include "scan/CandidateSources.h"
#include "scan/Parallel.h"
#include "text/Regex.h"

namespace orvel {
namespace {

bool overlaps(const TextRange& a, const TextRange& b) {
    return a.begin < a.end && b.begin < b.end && a.begin < b.end && b.begin < a.end;
}

// Accepted ranges never overlap each other, so ordering them by start lets each test look at
// two neighbours only. Most clusters accept one range at most, which is kept without the map.
class AcceptedRanges {
public:
    bool overlapsAny(const TextRange& range) const {
        if (m_byBegin.empty()) return m_first && overlaps(range, *m_first);
        auto next = m_byBegin.lower_bound(range.begin);
        if (next != m_byBegin.end() && overlaps(range, next->second)) return true;
        if (next != m_byBegin.begin() && overlaps(range, std::prev(next)->second)) return true;
        return false;
    }
    void add(const TextRange& range) {
        if (!m_first) {
            m_first = range;
            return;
        }
        if (m_byBegin.empty()) m_byBegin.emplace(m_first->begin, *m_first);
        m_byBegin.emplace(range.begin, range);
    }

private:
    std::optional<TextRange> m_first;
    std::multimap<std::size_t, TextRange> m_byBegin; ///< every range, once there are two
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

// The candidates, numbered through the sources' lists one after another.
class Candidates {
public:
    explicit Candidates(std::vector<RangeList> bySource) : m_bySource(std::move(bySource)) {
        m_firsts.push_back(0);
        for (const auto& ranges : m_bySource) m_firsts.push_back(m_firsts.back() + ranges.size());
    }
    std::size_t size() const { return m_firsts.back(); }
    TextRange operator[](std::size_t index) const {
        std::size_t source = 0;
        while (index >= m_firsts[source + 1]) ++source;
        return m_bySource[source][index - m_firsts[source]];
    }
    const std::vector<RangeList>& bySource() const { return m_bySource; }
    /// The number of the first candidate of `source`.
    std::size_t first(std::size_t source) const { return m_firsts[source]; }

private:
    std::vector<RangeList> m_bySource;
    std::vector<std::size_t> m_firsts; // the number of each source's first candidate, then the count
};

// The candidates grouped into clusters, in text order: runs of candidates, taken by their
// starts, whose ranges overlap one another directly or through other members. Candidates of
// different clusters never overlap, so each cluster can be decided on its own, in any order and
// on any thread. A cluster lists its members in candidate order. Candidate numbers are held as
// `Index`, narrow whenever the count allows: a large log has millions of candidates.
template <typename Index>
class OverlapClusters {
public:
    explicit OverlapClusters(const Candidates& candidates) {
        // Reserved whole, never grown: a grown list leaves its earlier copies behind in the heap.
        m_members.reserve(candidates.size());
        m_firsts.reserve(candidates.size() + 1);
        // Each source lists its candidates in text order, so merging the lists orders them all by
        // start, the earlier source first where starts tie: a stable sort by start.
        const auto& bySource = candidates.bySource();
        std::vector<std::size_t> next(bySource.size(), 0);
        // The start of each source's next candidate, side by side: the smallest, the first of
        // equals, is the next in order.
        constexpr std::size_t kExhausted = std::numeric_limits<std::size_t>::max();
        const auto nextStart = [&](std::size_t s) {
            return next[s] < bySource[s].size() ? bySource[s][next[s]].begin : kExhausted;
        };
        std::vector<std::size_t> starts(bySource.size());
        for (std::size_t s = 0; s < bySource.size(); ++s) starts[s] = nextStart(s);
        std::size_t end = 0; // of the cluster under way
        for (;;) {
            const auto source =
                static_cast<std::size_t>(std::min_element(starts.begin(), starts.end()) - starts.begin());
            if (starts[source] == kExhausted) break;
            const TextRange range = bySource[source][next[source]];
            if (m_members.empty() || range.begin >= end) {
                closeCluster();
                m_firsts.push_back(static_cast<Index>(m_members.size()));
                end = range.end;
            }
            end = std::max(end, range.end);
            m_members.push_back(static_cast<Index>(candidates.first(source) + next[source]++));
            starts[source] = nextStart(source);
        }
        closeCluster();
        m_firsts.push_back(static_cast<Index>(m_members.size()));
    }

    std::size_t count() const { return m_firsts.size() - 1; }
    /// How many candidates the clusters before `index` hold together.
    std::size_t first(std::size_t index) const { return m_firsts[index]; }
    std::span<const Index> members(std::size_t index) const {
        return std::span(m_members).subspan(m_firsts[index], m_firsts[index + 1] - m_firsts[index]);
    }

private:
    // Puts the members of the last cluster begun into candidate order.
    void closeCluster() {
        if (!m_firsts.empty()) std::sort(m_members.begin() + m_firsts.back(), m_members.end());
    }

    std::vector<Index> m_members; // candidate numbers, cluster after cluster
    std::vector<Index> m_firsts;  // where each cluster begins in m_members, then the end
};

// Work is handed to threads in pieces of whole clusters with at least this many candidates,
// enough to outweigh the hand-over and few enough to keep the threads evenly busy.
constexpr std::size_t kCandidatesPerPiece = 2048;
// A scan on one thread hands nothing over between threads and takes pieces this small: the
// findings' blocks, allocated as a piece is decided and freed as it is handed over, then go
// round through the allocator's cache for the thread (glibc's holds seven blocks of a size)
// instead of its slower bins.
constexpr std::size_t kCandidatesPerPieceAlone = 16;
// Below this size a scan is over before a second thread would have started to help.
constexpr std::size_t kThreadsFromBytes = std::size_t{1} << 20;
// Progress is reported at most once per this many candidates.
constexpr std::size_t kProgressEvery = 1024;

// The first cluster of each piece of work, then one past the last cluster.
template <typename Index>
std::vector<std::size_t> piecesOf(const OverlapClusters<Index>& clusters, std::size_t candidatesPerPiece) {
    std::vector<std::size_t> firsts;
    for (std::size_t cluster = 0; cluster < clusters.count(); ++cluster) {
        if (firsts.empty() || clusters.first(cluster) - clusters.first(firsts.back()) >= candidatesPerPiece) {
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
    const Candidates candidates(proposeCandidates(text, threads, halted, m_options.candidateSearch));
    const std::optional<ValidText> valid = ValidText::of(text);
    Summary summary{candidates.size(), 0, false};
    if (halted.stop_requested()) {
        summary.stopped = true;
        return summary;
    }
    if (progress && candidates.size() > 0) progress(0, candidates.size());

    // A candidate over its time budget counts as declined, wherever it stands.
    const auto budgetFor = [&](std::size_t bytes) {
        return m_options.candidateTime +
               m_options.candidateTimePerMiB * static_cast<std::int64_t>(bytes) / (std::int64_t{1} << 20);
    };
    struct Decided {
        // In blocks: a vector grown to a piece's findings frees blocks so large that glibc
        // consolidates its whole heap each time.
        std::deque<Settled> accepted;
        std::size_t candidatesEnd; // candidates examined once this piece is handed over
        std::size_t overTimeBudget = 0;
    };

    // Within a cluster the sources' order decides: an earlier candidate wins an overlap. A
    // stopped scan leaves the cluster half decided, but such a piece is never handed over.
    // `cutoff` holds the scan's stop token, copied once a piece: each copy of a token changes
    // a count the threads share.
    const auto decideCluster = [&](const auto& members, Decided& decided, ChainEngine::Cutoff& cutoff) {
        std::deque<Settled>& accepted = decided.accepted;
        const std::size_t firstAccepted = accepted.size();
        AcceptedRanges taken;
        for (std::size_t member = 0; member < members.size(); ++member) {
            if (halted.stop_requested()) return;
            const TextRange candidate = candidates[members[member]];
            if (taken.overlapsAny(candidate)) continue;
            const std::size_t bytes = candidate.end - candidate.begin;
            // Most candidates are recognised as nothing, and their text is never copied.
            const std::string_view stretch = text.substr(candidate.begin, bytes);
            cutoff.deadline = ChainEngine::Cutoff::now() + budgetFor(bytes);
            std::optional<std::vector<DecodeResult>> steps = m_engine.stepsFor(stretch, cutoff, context);
            if (!steps) ++decided.overTimeBudget;
            if (!steps || steps->empty()) continue;
            // The last member blocks nothing after it: most clusters are one candidate alone.
            if (member + 1 < members.size()) taken.add(candidate);
            accepted.push_back({candidate, DecodeChain{std::string(stretch), std::move(*steps)}});
        }
        if (accepted.size() - firstAccepted > 1) {
            std::stable_sort(accepted.begin() + static_cast<std::ptrdiff_t>(firstAccepted), accepted.end(),
                             [](const Settled& a, const Settled& b) { return a.range.begin < b.range.begin; });
        }
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

    const auto decideAll = [&](const auto& clusters) {
        const std::vector<std::size_t> pieceFirstCluster =
            piecesOf(clusters, threads == 1 ? kCandidatesPerPieceAlone : kCandidatesPerPiece);
        const std::size_t pieces = pieceFirstCluster.size() - 1;

        const auto decidePiece = [&](std::size_t piece) {
            // Candidates are stretches of the text between characters, so valid as the text is.
            std::optional<TrustedText> trust;
            if (valid) trust.emplace(*valid);
            Decided decided{{}, clusters.first(pieceFirstCluster[piece + 1])};
            ChainEngine::Cutoff cutoff{halted};
            for (std::size_t cluster = pieceFirstCluster[piece]; cluster < pieceFirstCluster[piece + 1]; ++cluster) {
                decideCluster(clusters.members(cluster), decided, cutoff);
            }
            return decided;
        };

        forEachInOrder(pieces, threads, decidePiece, handOver);
    };
    if (candidates.size() <= std::numeric_limits<std::uint32_t>::max()) {
        decideAll(OverlapClusters<std::uint32_t>(candidates));
    } else {
        decideAll(OverlapClusters<std::size_t>(candidates));
    }
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
