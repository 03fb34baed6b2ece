#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

/// A byte range [begin, end) in a UTF-8 text; always on scalar-value boundaries.
struct TextRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

/// A text checked once to be valid UTF-8, so that many searches of it need not check it again.
class ValidText {
public:
    /// `text`, when it is valid UTF-8.
    static std::optional<ValidText> of(std::string_view text);
    std::string_view view() const { return m_text; }

private:
    explicit ValidText(std::string_view text) : m_text(text) {}
    std::string_view m_text;
};

/// While alive, tells the regular expressions matched on this thread that `text` is valid UTF-8:
/// a text they are given that lies inside it, from one character boundary to another, is then
/// valid too and is not checked again. An inspection that asks a dozen detectors about one text
/// checks it once.
class TrustedText {
public:
    explicit TrustedText(ValidText text);
    ~TrustedText();
    TrustedText(const TrustedText&) = delete;
    TrustedText& operator=(const TrustedText&) = delete;

private:
    std::string_view m_previous;
};

/// One match: the whole range, then one entry per capture group (absent when it took no part).
struct RegexMatch {
    TextRange range;
    std::vector<std::optional<TextRange>> groups;
};

/// What `\b`, `\s` and `\d` mean in a pattern.
enum class CharacterMeanings {
    /// ICU's, on any text.
    icu,
    /// ASCII's, the text read byte by byte: `\b` between [A-Za-z0-9_] and any other byte or an
    /// end, `\s` [\t-\r ], `\d` [0-9]. ICU's meanings decide alike wherever every character a
    /// search reads is ASCII (ICU's word characters among ASCII are these, and none is a mark or
    /// format character its `\b` looks through), so there the matches are the same, found faster.
    ascii,
};

/// A pattern in ICU syntax, compiled once and matched with ICU's semantics: `\b`, `\s` and `\d`
/// mean what ICU makes them mean (or ASCII's, when asked), `^` and `$` anchor at the ends of the whole text (`$` at the
/// very end only, never before a final line terminator as ICU's would). Texts must be valid
/// UTF-8; an invalid text matches nothing. Thread-safe: one instance may be matched from many
/// threads at once.
///
/// Runs on PCRE2's JIT and reads only the syntax of the system's own patterns (text/Patterns.h):
/// ASCII literals and classes, `\s` `\d` `\b`, groups, alternation, greedy and lazy quantifiers,
/// `\1` to `\9`, `^` and `$`. Any other pattern is invalid and matches nothing, rather than match
/// differently from ICU. A search that runs out of its backtracking budget (catastrophic
/// patterns) counts as no match.
class Regex {
public:
    explicit Regex(std::string_view icuPattern, CharacterMeanings meanings = CharacterMeanings::icu);
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;

    /// False when the pattern failed to compile.
    bool isValid() const;
    /// Does the pattern match anywhere in `text`?
    bool matches(std::string_view text) const;
    /// The leftmost match with its capture groups.
    std::optional<RegexMatch> firstMatch(std::string_view text) const;
    /// Every non-overlapping match, left to right, as ICU's find loop reports them: the next
    /// search starts where a match ended, one character later after an empty match.
    std::vector<TextRange> allMatches(std::string_view text) const;
    /// allMatches(text) taken in parts: appends to `found`, which holds the matches so far, those
    /// that start in `starts` (disjoint stretches in text order, past the matches so far). When no
    /// match starts outside the stretches given in all, `found` ends up as allMatches(text).
    void appendMatchesStartingIn(ValidText text, std::span<const TextRange> starts,
                                 std::vector<TextRange>& found) const;
    /// `text` with every match of allMatches() replaced by `replacement` taken literally: unlike
    /// ICU's replaceAll, `$1` and backslashes in `replacement` are not interpreted.
    std::string replaceAll(std::string_view text, std::string_view replacement) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> m_compiled;
};

} // namespace orvel
