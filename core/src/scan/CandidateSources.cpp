#include "scan/CandidateSources.h"

#include <algorithm>
#include <array>
#include <deque>
#include <iterator>
#include <mutex>

#include "orvel/Unicode.h"
#include "scan/BracketMatcher.h"
#include "scan/CandidatePrefilter.h"
#include "scan/Parallel.h"
#include "text/Patterns.h"

namespace orvel {
namespace {

// Candidate sources before and after the bracket matcher, in the order they are tried; an
// earlier source wins wherever two candidates overlap.
using Patterns::Id;
constexpr std::array kSourcesBeforeJSON{Id::scanPEM, Id::scanPasswordHash, Id::scanJWT};
constexpr std::array kSourcesAfterJSON{Id::scanUUID, Id::scanQueryString,  Id::scanBase64,
                                       Id::scanHex,  Id::scanMilliseconds, Id::scanSeconds};

// Where the patterns may start: everywhere, or in the prefilter's windows. The prefilter is
// built by the first pattern that needs it, so that the bracket matcher, which does not, runs
// meanwhile on another thread.
class Starts {
public:
    Starts(std::string_view text, Scanner::CandidateSearch search)
        : m_text(ValidText::of(text)), m_prefiltered(m_text && search == Scanner::CandidateSearch::prefiltered) {}
    const std::optional<ValidText>& text() const { return m_text; }
    const CandidatePrefilter* prefilter() const {
        if (!m_prefiltered) return nullptr;
        std::call_once(m_built, [this] { m_prefilter.emplace(m_text->view()); });
        return &*m_prefilter;
    }

private:
    std::optional<ValidText> m_text; // absent when the text is not UTF-8, where no pattern matches
    bool m_prefiltered;
    mutable std::once_flag m_built;
    mutable std::optional<CandidatePrefilter> m_prefilter;
};

RangeList regexRanges(Patterns::Id source, std::string_view text, const Starts& starts) {
    if (!starts.text()) return {};
    // The matches go to `recent`, which keeps the last of them for the search to resume after,
    // and from there to `kept`, a deque: its blocks never move, and the list returned is copied
    // from it once at its exact size. A list grown by doubling holds up to twice its matches, and
    // the candidates are held for the whole scan.
    constexpr std::size_t kRecent = 256;
    std::vector<TextRange> recent;
    std::deque<TextRange> kept;
    // A match that starts or ends inside a user-perceived character is no stretch of the text.
    const auto keep = [&](std::size_t count) {
        std::copy_if(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(count), std::back_inserter(kept),
                     [&](const TextRange& range) {
                         return Unicode::isGraphemeBoundary(text, range.begin) &&
                                Unicode::isGraphemeBoundary(text, range.end);
                     });
        recent.erase(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(count));
    };
    const Regex& pattern = Patterns::compiled(source);
    // A window is a whole run free of ASCII white space, bounded by ASCII white space or an end
    // of the text, and only an armour block's match holds ASCII white space: any other pattern's
    // match that starts in a window lies inside it, and its \b reads no further than the window's
    // neighbours. When the window is ASCII, all a search there reads is ASCII, where ICU's \b, \s
    // and \d decide as ASCII's do; so the pattern with ASCII's meanings, which spares the Unicode
    // sets and the boundary callout, finds the same matches. Both feed `recent` alike.
    const Regex* forASCII = source == Id::scanPEM ? nullptr : &Patterns::compiledForASCII(source);
    const CandidatePrefilter* prefilter = starts.prefilter();
    const bool filtered = prefilter && prefilter->forEachWindow(source, [&](const TextRange& window) {
        const bool ascii = forASCII && Unicode::isASCII(text.substr(window.begin, window.end - window.begin));
        (ascii ? *forASCII : pattern).appendMatchesStartingIn(*starts.text(), std::span(&window, 1), recent);
        if (recent.size() > kRecent) keep(recent.size() - 1);
    });
    if (!filtered) pattern.appendMatchesStartingIn(*starts.text(), std::array{TextRange{0, text.size() + 1}}, recent);
    keep(recent.size());
    return {kept.begin(), kept.end(), text.size()};
}

} // namespace

std::vector<RangeList> proposeCandidates(std::string_view text, unsigned threads, const std::stop_token& stop,
                                         Scanner::CandidateSearch search) {
    const Starts starts(text, search);
    constexpr auto& before = kSourcesBeforeJSON;
    constexpr auto& after = kSourcesAfterJSON;
    const std::size_t sources = before.size() + 1 + after.size();
    const auto rangesOfSource = [&](std::size_t source) {
        if (source < before.size()) return regexRanges(before[source], text, starts);
        if (source == before.size()) {
            if (text.empty()) return RangeList();
            const std::vector<TextRange> ranges = jsonRanges(text);
            return RangeList(ranges.begin(), ranges.end(), text.size());
        }
        return regexRanges(after[source - before.size() - 1], text, starts);
    };
    std::vector<RangeList> bySource(sources);
    // The bracket matcher goes first, beside the prefilter being built for the rest.
    forEachIndex(sources, threads, [&](std::size_t turn) {
        const std::size_t source = turn == 0 ? before.size() : turn <= before.size() ? turn - 1 : turn;
        if (!stop.stop_requested()) bySource[source] = rangesOfSource(source);
    });
    return bySource;
}

} // namespace orvel
