#include "text/Regex.h"

#include "orvel/Unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <utility>

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#endif
#include <pcre2.h>

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>

// Patterns arrive in ICU syntax and must answer exactly what ICU's RegexMatcher answers, but
// ICU's engine is several times slower than PCRE2's JIT and quadratic on some inputs. So we
// rewrite each pattern into PCRE2 syntax. The patterns are the system's own (text/Patterns.h),
// and the translator reads only the syntax they use; anything else makes the pattern invalid
// rather than risk a reading that differs from ICU's:
//
//  * printable ASCII literals, and "\" before punctuation for the punctuation itself;
//  * classes of such characters, ranges between two of them, \s and \d, optionally negated;
//  * "(...)", "(?:...)", "|", and the quantifiers ? * + {n} {n,} {n,m}, each optionally lazy;
//  * back-references \1 to \9;
//  * ^ and $, at the very start and the very end of the text only (PCRE2_DOLLAR_ENDONLY),
//    where ICU's $ would also match before a final line terminator;
//  * \s and \d as ICU's sets (White_Space and Nd), written out as ranges: from a \p{..}
//    property PCRE2 cannot tell which bytes may start a match and tries every position;
//  * \b as ICU's word boundary: no boundary before a Grapheme_Extend or format character, and
//    such characters are skipped when looking back. PCRE2 look-behind cannot skip an unbounded
//    run, so a callout decides, behind a cheap ASCII look-around that settles the common case.
//
// With ASCII's meanings the pattern is compiled without UTF and Unicode properties: \b is
// PCRE2's own (its word bytes are [A-Za-z0-9_]), \s and \d are ICU's sets cut to ASCII.

namespace orvel {
namespace {

// ---------------------------------------------------------------------------------------------
// Small UTF-8 helpers. Every subject has been validated before it reaches them.

std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

UChar32 decodeAt(const unsigned char* text, std::size_t at) {
    const unsigned char lead = text[at];
    switch (sequenceLength(lead)) {
    case 1:
        return lead;
    case 2:
        return ((lead & 0x1F) << 6) | (text[at + 1] & 0x3F);
    case 3:
        return ((lead & 0x0F) << 12) | ((text[at + 1] & 0x3F) << 6) | (text[at + 2] & 0x3F);
    default:
        return ((lead & 0x07) << 18) | ((text[at + 1] & 0x3F) << 12) | ((text[at + 2] & 0x3F) << 6) |
               (text[at + 3] & 0x3F);
    }
}

std::size_t previousStart(const unsigned char* text, std::size_t at) {
    do {
        --at;
    } while (at > 0 && (text[at] & 0xC0) == 0x80);
    return at;
}

// ---------------------------------------------------------------------------------------------
// ICU's \b, evaluated on the subject from a callout.

constexpr std::uint32_t kBoundaryCallout = 1;

bool isASCIIWord(UChar32 c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// ICU's word set: [\p{Alphabetic}\p{M}\p{Nd}\p{Pc}\u200c\u200d].
bool isWord(UChar32 c) {
    if (c < 0x80) return isASCIIWord(c);
    if (c == 0x200C || c == 0x200D || u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) return true;
    const auto type = u_charType(c);
    return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK ||
           type == U_DECIMAL_DIGIT_NUMBER || type == U_CONNECTOR_PUNCTUATION;
}

// Characters ICU's \b looks through: no boundary sits just before one, and the look back skips them.
bool isBoundaryTransparent(UChar32 c) {
    if (c < 0x80) return false;
    return u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND) || u_charType(c) == U_FORMAT_CHAR;
}

bool isICUWordBoundary(const unsigned char* text, std::size_t length, std::size_t at) {
    bool currentIsWord = false;
    if (at < length) {
        const UChar32 c = decodeAt(text, at);
        if (isBoundaryTransparent(c)) return false;
        currentIsWord = isWord(c);
    }
    bool previousIsWord = false;
    for (std::size_t back = at; back > 0;) {
        back = previousStart(text, back);
        const UChar32 c = decodeAt(text, back);
        if (!isBoundaryTransparent(c)) {
            previousIsWord = isWord(c);
            break;
        }
    }
    return currentIsWord != previousIsWord;
}

// Callout 1 is the whole \b test: 0 lets the match go on, 1 makes it backtrack.
int boundaryCallout(pcre2_callout_block* block, void*) {
    if (block->callout_number != kBoundaryCallout) return PCRE2_ERROR_CALLOUT;
    return isICUWordBoundary(block->subject, block->subject_length, block->current_position) ? 0 : 1;
}

// Both neighbours ASCII and on the same side of \w: certainly no boundary, no callout needed.
// Kept inside look-arounds, which PCRE2 skips when it looks for a literal prefix to scan for
// (a bare callout at the start of the pattern would stop that and cost a call per candidate).
constexpr std::string_view kWordBoundary =
    R"((?!(?<=[A-Za-z0-9_])[A-Za-z0-9_]|(?<=[^A-Za-z0-9_\x{80}-\x{10FFFF}])[^A-Za-z0-9_\x{80}-\x{10FFFF}])(?=(?C1)))";

// ---------------------------------------------------------------------------------------------
// ICU's \s and \d as PCRE2 class members, or their ASCII members alone.

// The scalar values of the ICU set `pattern` as PCRE2 class ranges (surrogates cannot occur in UTF-8).
std::string rangesOf(const char* pattern) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet set(icu::UnicodeString(pattern, -1, US_INV), status);
    set.remove(0xD800, 0xDFFF);
    std::string out;
    for (int32_t i = 0; U_SUCCESS(status) && i < set.getRangeCount(); ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "\\x{%X}-\\x{%X}", static_cast<unsigned>(set.getRangeStart(i)),
                      static_cast<unsigned>(set.getRangeEnd(i)));
        out += buffer;
    }
    return out;
}

// The members of `\s` or `\d`, as `escape` names.
const std::string& setMembers(char escape, CharacterMeanings meanings) {
    static const std::string space = rangesOf("[:White_Space:]");
    static const std::string digit = rangesOf("[:Nd:]");
    static const std::string asciiSpace = rangesOf("[[:White_Space:]&[:ASCII:]]");
    static const std::string asciiDigit = rangesOf("[[:Nd:]&[:ASCII:]]");
    if (meanings == CharacterMeanings::ascii) return escape == 's' ? asciiSpace : asciiDigit;
    return escape == 's' ? space : digit;
}

// ---------------------------------------------------------------------------------------------
// The pattern walker.

bool isAlphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Printable ASCII other than letters, digits and space: after "\" it stands for itself in ICU
// and in PCRE2 alike, inside a class and out.
bool isPunctuation(char c) { return c > ' ' && c < 0x7F && !isAlphanumeric(c); }

class Translator {
public:
    Translator(std::string_view pattern, CharacterMeanings meanings) : m_in(pattern), m_meanings(meanings) {}

    std::optional<std::string> run() {
        while (m_ok && !atEnd()) step();
        if (!m_ok) return std::nullopt;
        return std::move(m_out);
    }

private:
    bool atEnd() const { return m_pos >= m_in.size(); }
    char peek(std::size_t ahead = 0) const { return m_pos + ahead < m_in.size() ? m_in[m_pos + ahead] : '\0'; }
    void fail() { m_ok = false; }

    void step() {
        const char c = m_in[m_pos++];
        switch (c) {
        case '\\':
            escape();
            return;
        case '[':
            charClass();
            return;
        case '(':
            if (peek() == '?') {
                // Look-arounds, flags, named groups and comments are all outside the subset.
                if (peek(1) != ':') return fail();
                m_pos += 2;
                m_out += "(?:";
            } else {
                m_out += '(';
            }
            m_quantifiable = false;
            return;
        case ')':
            m_out += ')';
            m_quantifiable = true;
            return;
        case '|':
        case '^':
        case '$':
            m_out += c;
            m_quantifiable = false;
            return;
        case '?':
        case '*':
        case '+':
        case '{':
            quantifier(c);
            return;
        case '.': // ICU's dot takes CR LF as one character under (?s); no pattern needs it
        case ']':
        case '}':
            return fail();
        default:
            if (c < ' ' || c >= 0x7F) return fail();
            m_out += c;
            m_quantifiable = true;
        }
    }

    // After an atom: PCRE2 would take "{" without a valid count literally where ICU refuses it,
    // and a quantifier on an assertion or another quantifier means different things to the two.
    void quantifier(char c) {
        if (!m_quantifiable) return fail();
        m_out += c;
        if (c == '{') {
            const std::size_t close = m_in.find('}', m_pos);
            if (close == std::string_view::npos) return fail();
            const std::string_view counts = m_in.substr(m_pos, close - m_pos);
            const std::size_t comma = counts.find(',');
            const auto isCount = [](std::string_view digits) {
                return !digits.empty() && digits.size() <= 5 &&
                       digits.find_first_not_of("0123456789") == std::string_view::npos;
            };
            const bool valid =
                isCount(counts.substr(0, comma)) &&
                (comma == std::string_view::npos || comma + 1 == counts.size() || isCount(counts.substr(comma + 1)));
            if (!valid) return fail();
            m_out.append(counts);
            m_out += '}';
            m_pos = close + 1;
        }
        if (peek() == '?') {
            m_out += '?';
            ++m_pos;
        }
        m_quantifiable = false;
    }

    void escape() {
        if (atEnd()) return fail();
        const char c = m_in[m_pos++];
        m_quantifiable = true;
        if (c == 'b') {
            m_out += m_meanings == CharacterMeanings::ascii ? std::string_view(R"(\b)") : kWordBoundary;
            m_quantifiable = false;
        } else if (c >= '1' && c <= '9') {
            // ICU reads further digits while they name a group opened so far; the patterns never
            // need more than one. \g{n} is never read as octal.
            if (peek() >= '0' && peek() <= '9') return fail();
            m_out += "\\g{";
            m_out += c;
            m_out += '}';
        } else if (c == 's' || c == 'd') {
            m_out += '[' + setMembers(c, m_meanings) + ']';
        } else if (isPunctuation(c)) {
            m_out += '\\';
            m_out += c;
        } else {
            fail(); // every other letter names an ICU construct outside the subset
        }
    }

    // One character of a class as PCRE2 reads it: punctuation escaped, so that none is special.
    static void appendMember(std::string& out, char c) {
        if (!isAlphanumeric(c)) out += '\\';
        out += c;
    }

    // One plain character in a class (a range end or a member); absent when there is none.
    std::optional<char> classCharacter() {
        const char c = peek();
        if (c == '\\' && isPunctuation(peek(1))) {
            m_pos += 2;
            return m_in[m_pos - 1];
        }
        // "[" opens a nested set in ICU, "]" and "-" are syntax, "&&" is intersection.
        if (c < ' ' || c >= 0x7F || c == '\\' || c == '[' || c == ']' || c == '-' || (c == '&' && peek(1) == '&')) {
            return std::nullopt;
        }
        ++m_pos;
        return c;
    }

    // After "[": the members up to the closing "]". A "-" stands for itself only last; ICU's
    // nested sets, [:name:] and set operations are outside the subset.
    void charClass() {
        std::string members;
        const bool negated = peek() == '^';
        if (negated) ++m_pos;
        if (peek() == ':' || peek() == ']') return fail();
        while (peek() != ']') {
            if (atEnd()) return fail();
            if (peek() == '\\' && (peek(1) == 's' || peek(1) == 'd')) {
                members += setMembers(peek(1), m_meanings);
                m_pos += 2;
                continue;
            }
            if (peek() == '-' && peek(1) == ']') {
                members += "\\-";
                ++m_pos;
                continue;
            }
            const std::optional<char> first = classCharacter();
            if (!first) return fail();
            appendMember(members, *first);
            if (peek() == '-' && peek(1) != ']') {
                ++m_pos;
                const std::optional<char> last = classCharacter();
                if (!last || *last < *first) return fail();
                members += '-';
                appendMember(members, *last);
            }
        }
        ++m_pos;
        m_out += (negated ? "[^" : "[") + members + ']';
        m_quantifiable = true;
    }

    std::string_view m_in;
    CharacterMeanings m_meanings;
    std::size_t m_pos = 0;
    std::string m_out;
    bool m_ok = true;
    bool m_quantifiable = false; // the last thing written may take a quantifier
};

// ---------------------------------------------------------------------------------------------
// Per-thread match resources.

struct ThreadMatchState {
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    pcre2_match_data* data = nullptr;
    std::uint32_t dataPairs = 0;

    ThreadMatchState() {
        context = pcre2_match_context_create(nullptr);
        jitStack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        if (context != nullptr) {
            pcre2_set_callout(context, &boundaryCallout, nullptr);
            if (jitStack != nullptr) pcre2_jit_stack_assign(context, nullptr, jitStack);
        }
    }
    ~ThreadMatchState() {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(jitStack);
        pcre2_match_context_free(context);
    }
    ThreadMatchState(const ThreadMatchState&) = delete;
    ThreadMatchState& operator=(const ThreadMatchState&) = delete;

    // Sized for the largest pattern this thread has run, so it is allocated a handful of times.
    pcre2_match_data* matchData(std::uint32_t pairs) {
        if (pairs > dataPairs) {
            pcre2_match_data_free(data);
            data = pcre2_match_data_create(pairs, nullptr);
            dataPairs = data != nullptr ? pairs : 0;
        }
        return data;
    }
};

// The text a TrustedText vouches for on this thread; empty when none does.
thread_local std::string_view trusted;

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// `text` is valid UTF-8: it lies inside the trusted text and starts and ends on character
// boundaries of it, or it passes the check.
bool isValidText(std::string_view text) {
    const auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
    if (!trusted.empty() && !text.empty() && address(text.data()) >= address(trusted.data()) &&
        address(text.data()) + text.size() <= address(trusted.data()) + trusted.size()) {
        const std::size_t end = static_cast<std::size_t>(address(text.data()) - address(trusted.data())) + text.size();
        if (!isContinuation(text.front()) && (end == trusted.size() || !isContinuation(trusted[end]))) return true;
    }
    return Unicode::isValidUTF8(text);
}

ThreadMatchState& threadState() {
    thread_local ThreadMatchState state;
    return state;
}

// Backstop against catastrophic backtracking. PCRE2 counts per start position, and a lazy
// quantifier over a large PEM body legitimately takes about one step per byte.
std::uint32_t matchLimitFor(std::size_t length) {
    constexpr std::uint64_t kBase = 10'000'000;
    const std::uint64_t limit = kBase + 16 * static_cast<std::uint64_t>(length);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(limit, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct Regex::Compiled {
    pcre2_code* code = nullptr;
    bool jit = false;
    std::uint32_t captureCount = 0;

    ~Compiled() { pcre2_code_free(code); }

    struct Search {
        int rc = -1;
        const PCRE2_SIZE* ovector = nullptr;
    };

    // One leftmost search from `offset` in a validated subject, for a match that starts at
    // `lastStart` at the latest.
    Search search(std::string_view text, std::size_t offset, PCRE2_SIZE lastStart = PCRE2_UNSET) const {
        ThreadMatchState& state = threadState();
        pcre2_match_data* data = state.matchData(captureCount + 1);
        if (state.context == nullptr || data == nullptr) return {};
        pcre2_set_match_limit(state.context, matchLimitFor(text.size()));
        pcre2_set_offset_limit(state.context, lastStart);
        static const char empty[1] = {};
        const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data() != nullptr ? text.data() : empty);
        // Checking UTF-8 at every call would re-read the rest of the subject each time and
        // turn a scan quadratic; the caller validated it once.
        const int rc =
            jit ? pcre2_jit_match(code, subject, text.size(), offset, PCRE2_NO_UTF_CHECK, data, state.context)
                : pcre2_match(code, subject, text.size(), offset, PCRE2_NO_UTF_CHECK, data, state.context);
        if (rc <= 0) return {}; // no match, or a limit hit: both answer "no match"
        return {rc, pcre2_get_ovector_pointer(data)};
    }
};

Regex::Regex(std::string_view icuPattern, CharacterMeanings meanings) {
    std::optional<std::string> translated = Translator(icuPattern, meanings).run();
    if (!translated) return;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context == nullptr) return;
    // No construct of the subset depends on line ends. A convention that takes CR LF as one
    // newline would also make PCRE2 step over the LF after an attempt at the CR fails, where
    // ICU tries there too.
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    const std::uint32_t unicode = meanings == CharacterMeanings::icu ? PCRE2_UTF | PCRE2_UCP : 0;
    pcre2_code* code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated->data()), translated->size(),
                      unicode | PCRE2_DOLLAR_ENDONLY | PCRE2_USE_OFFSET_LIMIT, &error, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (code == nullptr) return;
    auto compiled = std::make_unique<Compiled>();
    compiled->code = code;
    compiled->jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &compiled->captureCount);
    m_compiled = std::move(compiled);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

bool Regex::isValid() const { return m_compiled != nullptr; }

bool Regex::matches(std::string_view text) const {
    if (!m_compiled || !isValidText(text)) return false;
    return m_compiled->search(text, 0).rc > 0;
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view text) const {
    if (!m_compiled || !isValidText(text)) return std::nullopt;
    const Compiled::Search found = m_compiled->search(text, 0);
    if (found.rc <= 0) return std::nullopt;
    RegexMatch match;
    match.range = {found.ovector[0], found.ovector[1]};
    match.groups.resize(m_compiled->captureCount);
    for (std::uint32_t group = 1; group <= m_compiled->captureCount; ++group) {
        const PCRE2_SIZE begin = found.ovector[2 * group];
        if (static_cast<int>(group) < found.rc && begin != PCRE2_UNSET) {
            match.groups[group - 1] = TextRange{begin, found.ovector[2 * group + 1]};
        }
    }
    return match;
}

std::optional<ValidText> ValidText::of(std::string_view text) {
    if (!isValidText(text)) return std::nullopt;
    return ValidText(text);
}

TrustedText::TrustedText(ValidText text) : m_previous(trusted) { trusted = text.view(); }

TrustedText::~TrustedText() { trusted = m_previous; }

std::vector<TextRange> Regex::allMatches(std::string_view text) const {
    std::vector<TextRange> ranges;
    if (const std::optional<ValidText> valid = ValidText::of(text)) {
        appendMatchesStartingIn(*valid, std::array{TextRange{0, text.size() + 1}}, ranges);
    }
    return ranges;
}

void Regex::appendMatchesStartingIn(ValidText valid, std::span<const TextRange> starts,
                                    std::vector<TextRange>& found) const {
    if (!m_compiled) return;
    const std::string_view text = valid.view();
    // ICU's find loop: the next search starts where a match ended, one character later after an
    // empty match. Offsets outside `starts` are skipped, and no search looks for a match that
    // starts past the end of its stretch.
    std::size_t offset = 0;
    if (!found.empty()) {
        const TextRange& last = found.back();
        if (last.end > last.begin) {
            offset = last.end;
        } else if (last.end >= text.size()) {
            return;
        } else {
            offset = last.end + sequenceLength(static_cast<unsigned char>(text[last.end]));
        }
    }
    for (const TextRange& window : starts) {
        offset = std::max(offset, window.begin);
        while (offset < window.end && offset <= text.size()) {
            const Compiled::Search match = m_compiled->search(text, offset, window.end - 1);
            if (match.rc <= 0) break;
            const TextRange range{match.ovector[0], match.ovector[1]};
            found.push_back(range);
            if (range.end > range.begin) {
                offset = range.end;
            } else if (range.end >= text.size()) {
                return;
            } else {
                offset = range.end + sequenceLength(static_cast<unsigned char>(text[range.end]));
            }
        }
    }
}

std::string Regex::replaceAll(std::string_view text, std::string_view replacement) const {
    const std::vector<TextRange> ranges = allMatches(text);
    if (ranges.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (const TextRange& range : ranges) {
        out.append(text.substr(copied, range.begin - copied));
        out.append(replacement);
        copied = range.end;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace orvel
