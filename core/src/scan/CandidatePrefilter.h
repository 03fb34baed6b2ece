#pragma once

#include <array>
#include <functional>
#include <string_view>
#include <vector>

#include "text/Patterns.h"
#include "text/Regex.h"

namespace orvel {

/// Where the scanner's candidate patterns may match, found for all nine in a few quick passes,
/// so that PCRE2 confirms matches there alone instead of trying every position of the text nine
/// times.
///
/// Every match of a candidate pattern holds a signature: a literal ("-----BEGIN", "eyJ", "$2b"…,
/// "&" and a letter), a long enough run of one byte class (24 base64 bytes, 12 or 16 hex digits,
/// 10 or 13 ASCII digits) or a digit beyond ASCII. Apart from an armour block, which starts with
/// its signature, no match spans ASCII white space. So a match starts inside a white-space-free
/// run that holds a signature of its pattern: those runs are the pattern's start windows. The
/// regular expression still decides every match, with its whole meaning.
class CandidatePrefilter {
public:
    /// Finds the literal signatures in `text`, which must be valid UTF-8 and outlive the filter.
    explicit CandidatePrefilter(std::string_view text);

    /// Hands `window` the stretches, disjoint and in text order, outside which no match of scan
    /// pattern `id` starts. False, having handed nothing, when every position may start one
    /// (Vectorscan cannot run on this processor, or the text is too long for one of its passes).
    /// Windows of class runs are found as they are handed, so that none is ever held.
    bool forEachWindow(Patterns::Id id, const std::function<void(const TextRange&)>& window) const;

private:
    static constexpr std::size_t kPatterns = 9;
    std::string_view m_text;
    bool m_ready = false;
    std::array<std::vector<TextRange>, kPatterns> m_literalWindows; ///< by pattern, from Vectorscan
};

} // namespace orvel
