#include "orvel/Regex.h"

#include "orvel/Unicode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <utility>

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#endif
#include <pcre2.h>

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

// Patterns arrive in ICU syntax and must answer exactly what ICU's RegexMatcher answers, but
// ICU's engine is several times slower than PCRE2's JIT and quadratic on some inputs. So we
// rewrite the pattern into PCRE2 syntax wherever the two disagree:
//
//  * \s \w \d \h and \p{..} become the ICU sets. PCRE2 10.42 has Unicode 14 tables, ICU 72
//    Unicode 15, so where PCRE2's tables are wrong the characters are listed explicitly.
//  * \b and \B follow ICU's rule (no boundary before a Grapheme_Extend or format character;
//    such characters are skipped when looking back). PCRE2 lookbehind cannot skip an
//    unbounded run, so a callout decides, behind a cheap ASCII look-around that settles the
//    common case inline.
//  * $ means the very end of the text, not also before a final line terminator as in ICU
//    (under (?m) it still means every line end, as in ICU); neither $ nor \Z matches between
//    CR and LF; under (?s) a dot takes CR LF as one character.
//  * Escapes ICU resolves itself (\uhhhh, \N{..}, \0ooo, \cX, back-references) become
//    unambiguous PCRE2 forms; letter escapes ICU does not know are literal letters, as in ICU.
//  * PCRE2-only syntax ((*VERB), (?C), (?R), ...) is an error, as it is in ICU.
//
// Set operations inside classes ([a-z&&[^aeiou]], [\p{L}--[a-z]]) and negated nested classes
// are rejected rather than silently matched differently. Known differences that remain:
// (?i) folds case simply and leaves \p{Lu} and friends alone (ICU folds fully and closes
// sets over case), and PCRE2 wants look-behind alternatives of fixed length where ICU only
// wants a bounded one.

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

std::size_t utf8Length(UChar32 c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

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

std::string hexEscape(UChar32 c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\x{%X}", static_cast<unsigned>(c));
    return buffer;
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
constexpr std::string_view kSameASCIIClass =
    R"((?<=[A-Za-z0-9_])[A-Za-z0-9_]|(?<=[^A-Za-z0-9_\x{80}-\x{10FFFF}])[^A-Za-z0-9_\x{80}-\x{10FFFF}])";

std::string boundaryAssertion(bool boundary) {
    std::string isBoundary = "(?!";
    isBoundary += kSameASCIIClass;
    isBoundary += ")(?=(?C1))";
    return boundary ? isBoundary : "(?!" + isBoundary + ")";
}

// ---------------------------------------------------------------------------------------------
// ICU's character sets in PCRE2 syntax.

// A set as PCRE2 class members (no brackets); `negated` means the set is everything else.
struct SetExpr {
    std::string members;
    bool negated = false;
    bool singleProperty = false; // members is one \p{..}: usable without brackets
};

SetExpr negate(SetExpr set) {
    set.negated = !set.negated;
    return set;
}

// PCRE2 syntax for the scalar values of `set` (surrogate code points cannot occur in UTF-8).
std::string rangesOf(const icu::UnicodeSet& codePoints) {
    icu::UnicodeSet set(codePoints);
    set.remove(0xD800, 0xDFFF);
    std::string out;
    for (int32_t i = 0; i < set.getRangeCount(); ++i) {
        const UChar32 first = set.getRangeStart(i);
        const UChar32 last = set.getRangeEnd(i);
        out += hexEscape(first);
        if (last != first) {
            out += '-';
            out += hexEscape(last);
        }
    }
    return out;
}

std::optional<icu::UnicodeSet> icuSet(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet set(
        icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))), status);
    if (U_FAILURE(status)) return std::nullopt;
    return set;
}

// Every character ICU knows (surrogates and the private-use planes aside) as one UTF-8 text,
// in code point order: what PCRE2's tables are checked against.
struct ProbeText {
    std::string utf8;
    icu::UnicodeSet characters;
};

const ProbeText& probeText() {
    static const ProbeText probe = [] {
        ProbeText p;
        p.characters = icuSet("[[:^Cn:]-[:Cs:]-[\\U000F0000-\\U0010FFFF]]").value_or(icu::UnicodeSet());
        std::size_t bytes = 0;
        for (int32_t i = 0; i < p.characters.getRangeCount(); ++i) {
            const UChar32 first = p.characters.getRangeStart(i);
            const UChar32 last = p.characters.getRangeEnd(i);
            bytes += static_cast<std::size_t>(last - first + 1) * utf8Length(last);
        }
        p.utf8.reserve(bytes); // an upper bound: no copying while it grows
        for (int32_t i = 0; i < p.characters.getRangeCount(); ++i) {
            for (UChar32 c = p.characters.getRangeStart(i); c <= p.characters.getRangeEnd(i); ++c)
                Unicode::appendUTF8(p.utf8, static_cast<char32_t>(c));
        }
        return p;
    }();
    return probe;
}

// The known characters PCRE2 itself puts in the class [members], found by letting it scan them.
std::optional<icu::UnicodeSet> pcre2Membership(const std::string& members) {
    const ProbeText& probe = probeText();
    const std::string pattern = "[" + members + "]+";
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_UCP, &error, &errorOffset, nullptr);
    if (code == nullptr) return std::nullopt;
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
    icu::UnicodeSet found;
    const auto* subject = reinterpret_cast<const unsigned char*>(probe.utf8.data());
    std::size_t offset = 0;
    while (data != nullptr &&
           pcre2_match(code, subject, probe.utf8.size(), offset, PCRE2_NO_UTF_CHECK, data, nullptr) > 0) {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
        // The text is in code point order, so a run covers every probed character between its ends.
        found.add(decodeAt(subject, ovector[0]), decodeAt(subject, previousStart(subject, ovector[1])));
        offset = ovector[1];
    }
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    found.retainAll(probe.characters);
    return found;
}

// `pcre2Members` names the ICU set `icu` in PCRE2's property tables, `pcre2Complement` its
// complement. PCRE2 10.42 has Unicode 14 tables, ICU 72 Unicode 15: new characters, and old
// ones whose properties changed (U+0C04 became Alphabetic), would be missed. So PCRE2's view
// is measured once per set and the characters it gets wrong are written out as ranges.
SetExpr versionExact(const std::string& pcre2Members, const std::string& pcre2Complement, const icu::UnicodeSet& icu,
                     bool singleProperty) {
    // PCRE2 takes the characters it does not know for unassigned; a set that holds unassigned
    // code points (\p{Cn}, \P{L}, ...) is corrected on its complement instead.
    constexpr UChar32 kNeverAssigned = 0x50000; // plane 5 has no characters in any version
    if (icu.contains(kNeverAssigned)) {
        if (pcre2Complement.empty()) return {rangesOf(icu), false, false};
        icu::UnicodeSet complement(icu);
        complement.complement();
        return negate(versionExact(pcre2Complement, pcre2Members, complement, singleProperty));
    }
    static std::mutex mutex;
    static std::map<std::string, icu::UnicodeSet> measured;
    std::optional<icu::UnicodeSet> pcre2;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (const auto known = measured.find(pcre2Members); known != measured.end()) {
            pcre2 = known->second;
        } else if ((pcre2 = pcre2Membership(pcre2Members))) {
            measured.emplace(pcre2Members, *pcre2);
        }
    }
    if (!pcre2) return {rangesOf(icu), false, false};
    icu::UnicodeSet missing(icu);
    missing.removeAll(*pcre2);
    icu::UnicodeSet extra(*pcre2);
    extra.removeAll(icu);
    if (missing.isEmpty() && extra.isEmpty()) return {pcre2Members, false, singleProperty};
    if (extra.isEmpty()) return {pcre2Members + rangesOf(missing), false, false};
    if (missing.isEmpty() && !pcre2Complement.empty()) return {pcre2Complement + rangesOf(extra), true, false};
    return {rangesOf(icu), false, false}; // both ways wrong: only the plain list is exact
}

const SetExpr& wordSet() {
    // The ASCII members in front let PCRE2 accept ASCII word characters from its bitmap.
    static const SetExpr set = versionExact(R"(A-Za-z0-9_\p{Alphabetic}\p{M}\p{Nd}\p{Pc}\x{200C}\x{200D})", "",
                                            *icuSet(R"([\p{Alphabetic}\p{M}\p{Nd}\p{Pc}\u200c\u200d])"), false);
    return set;
}

// Digits and white space are written out as ranges, which are exact in any Unicode version:
// from a \p{..} property PCRE2 cannot tell which bytes may start a match, and then tries every
// position of the subject, at twice the cost on a log.
const SetExpr& digitSet() {
    static const SetExpr set{rangesOf(*icuSet(R"([\p{Nd}])")), false, false};
    return set;
}

const SetExpr& spaceSet() {
    static const SetExpr set{rangesOf(*icuSet(R"([\p{White_Space}])")), false, false};
    return set;
}

const SetExpr& horizontalSpaceSet() {
    static const SetExpr set = versionExact(R"(\t\p{Zs})", "", *icuSet(R"([\p{Zs}\t])"), false);
    return set;
}

std::string lowerASCII(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A property name in the spelling PCRE2 understands, resolved the way ICU resolves it:
// general category first, then script, then binary property.
std::optional<std::string> pcre2PropertyName(const std::string& name) {
    if (const auto eq = name.find('='); eq != std::string::npos) {
        const std::string key = name.substr(0, eq);
        const std::string value = name.substr(eq + 1);
        const UProperty property = u_getPropertyEnum(key.c_str());
        if (property == UCHAR_GENERAL_CATEGORY || property == UCHAR_GENERAL_CATEGORY_MASK) {
            return pcre2PropertyName(value);
        }
        if (property == UCHAR_SCRIPT || property == UCHAR_SCRIPT_EXTENSIONS) {
            const int32_t script = u_getPropertyValueEnum(UCHAR_SCRIPT, value.c_str());
            const char* longName = script == UCHAR_INVALID_CODE
                                       ? nullptr
                                       : u_getPropertyValueName(UCHAR_SCRIPT, script, U_LONG_PROPERTY_NAME);
            if (longName == nullptr) return std::nullopt;
            return std::string(property == UCHAR_SCRIPT ? "sc:" : "scx:") + longName;
        }
        return std::nullopt;
    }
    if (const int32_t category = u_getPropertyValueEnum(UCHAR_GENERAL_CATEGORY_MASK, name.c_str());
        category != UCHAR_INVALID_CODE) {
        const char* shortName = u_getPropertyValueName(UCHAR_GENERAL_CATEGORY_MASK, category, U_SHORT_PROPERTY_NAME);
        if (shortName == nullptr) return std::nullopt;
        return std::string(shortName) == "LC" ? "L&" : shortName;
    }
    if (const int32_t script = u_getPropertyValueEnum(UCHAR_SCRIPT, name.c_str()); script != UCHAR_INVALID_CODE) {
        const char* longName = u_getPropertyValueName(UCHAR_SCRIPT, script, U_LONG_PROPERTY_NAME);
        if (longName == nullptr) return std::nullopt;
        return std::string("sc:") + longName;
    }
    const UProperty property = u_getPropertyEnum(name.c_str());
    if (property >= UCHAR_BINARY_START && property < UCHAR_BINARY_LIMIT) {
        const char* longName = u_getPropertyName(property, U_LONG_PROPERTY_NAME);
        if (longName == nullptr) return std::nullopt;
        return std::string(longName);
    }
    return std::nullopt; // Any, ASCII and blocks go by their explicit ranges
}

// \p{name}: the ICU set, with ICU's Is.. (property) and In.. (block) spellings.
std::optional<SetExpr> propertySet(const std::string& name) {
    std::optional<icu::UnicodeSet> icu = icuSet("[\\p{" + name + "}]");
    std::string resolved = name;
    if (!icu && name.size() > 2 && name.compare(0, 2, "In") == 0) {
        icu = icuSet("[\\p{Block=" + name.substr(2) + "}]");
        resolved.clear();
    } else if (!icu && name.size() > 2 && name.compare(0, 2, "Is") == 0) {
        resolved = name.substr(2);
        icu = icuSet("[\\p{" + resolved + "}]");
    }
    if (!icu) return std::nullopt;
    // A handful of ranges is exact whatever the table versions; large sets go by name.
    constexpr int32_t kExplicitRanges = 32;
    std::optional<std::string> pcre2Name;
    if (!resolved.empty() && icu->getRangeCount() > kExplicitRanges) pcre2Name = pcre2PropertyName(resolved);
    if (!pcre2Name && lowerASCII(resolved) == "assigned") {
        return versionExact(R"(\P{Cn})", R"(\p{Cn})", *icu, true);
    }
    if (!pcre2Name) return SetExpr{rangesOf(*icu), false, false};
    return versionExact("\\p{" + *pcre2Name + "}", "\\P{" + *pcre2Name + "}", *icu, true);
}

// ---------------------------------------------------------------------------------------------
// The pattern walker.

// Members of a class being built: plain PCRE2 members plus sets that can only be written as
// "not in X" (\W, \S, ... and their relatives), which a PCRE2 class cannot hold.
struct ClassBuilder {
    std::string members;
    std::vector<std::string> excluded;

    void add(const SetExpr& set) {
        if (!set.negated) {
            members += set.members;
        } else {
            excluded.push_back(set.members);
        }
    }

    std::string emit(bool negated) const {
        if (excluded.empty()) {
            if (members.empty()) return negated ? R"([\x{0}-\x{10FFFF}])" : "(?!)";
            return (negated ? "[^" : "[") + members + "]";
        }
        std::string out = "(?:";
        if (!negated) {
            // In the members or outside one of the excluded sets.
            bool first = true;
            if (!members.empty()) {
                out += "[" + members + "]";
                first = false;
            }
            for (const std::string& set : excluded) {
                out += (first ? "[^" : "|[^") + set + "]";
                first = false;
            }
        } else {
            // Outside the members and inside every excluded set.
            if (!members.empty()) out += "(?![" + members + "])";
            for (std::size_t i = 0; i + 1 < excluded.size(); ++i) out += "(?=[" + excluded[i] + "])";
            out += "[" + excluded.back() + "]";
        }
        return out + ")";
    }
};

class Translator {
public:
    explicit Translator(std::string_view pattern) : m_in(pattern) {}

    std::optional<std::string> run() {
        if (!Unicode::isValidUTF8(m_in)) return std::nullopt;
        while (m_ok && !atEnd()) step();
        if (!m_ok) return std::nullopt;
        // With the ANY newline convention PCRE2 steps over a whole CR LF after a failed attempt
        // at the CR, unless the pattern mentions CR or LF itself; ICU also tries between the
        // two. This never-failing look-behind mentions LF and so keeps every attempt. At the
        // end it leaves PCRE2's prefix and anchoring optimisations alone; a pattern that turns
        // on (?x) gets it in front instead, where no trailing comment can swallow it.
        constexpr std::string_view kMentionsLF = "(?<!(?!)\\n)";
        if (m_extended) return std::string(kMentionsLF) + m_out;
        return std::move(m_out) + std::string(kMentionsLF);
    }

private:
    struct Item {
        enum class Kind { Character, Set, Raw } kind = Kind::Raw;
        UChar32 character = 0;
        SetExpr set;
        std::string raw;
    };

    bool atEnd() const { return m_pos >= m_in.size(); }
    char peek(std::size_t ahead = 0) const { return m_pos + ahead < m_in.size() ? m_in[m_pos + ahead] : '\0'; }
    bool fail() { return m_ok = false; }

    UChar32 takeCodePoint() {
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_in.data());
        const UChar32 c = decodeAt(bytes, m_pos);
        m_pos += sequenceLength(bytes[m_pos]);
        return c;
    }

    void step() {
        const char c = peek();
        switch (c) {
        case '\\':
            ++m_pos;
            emitOutside(escape(false));
            return;
        case '[':
            m_out += charClass();
            return;
        case '(':
            group();
            return;
        case '$':
            ++m_pos;
            m_out += "$(?!(?<=\\r)\\n)"; // under (?m), ICU's $ never sits between CR and LF
            return;
        case '#':
            if (m_extended) {
                // A (?x) comment runs to the end of the line; what it says is no syntax.
                std::size_t end = m_pos;
                while (end < m_in.size() && m_in[end] != '\n' && m_in[end] != '\r') ++end;
                m_pos = end;
                return;
            }
            m_out += c;
            ++m_pos;
            return;
        case '.':
            ++m_pos;
            // Where (?s) may be on, ICU's dot takes CR LF as one character. The look-ahead
            // asks whether the dot matches CR at this point, i.e. whether (?s) is in force.
            m_out += m_dotAll ? "(?>(?=.)\\r\\n|.)" : ".";
            return;
        default:
            m_out += c;
            ++m_pos;
        }
    }

    void emitOutside(const Item& item) {
        switch (item.kind) {
        case Item::Kind::Raw:
            m_out += item.raw;
            break;
        case Item::Kind::Character:
            m_out += hexEscape(item.character);
            break;
        case Item::Kind::Set:
            if (item.set.singleProperty && !item.set.negated) {
                m_out += item.set.members;
            } else {
                m_out += (item.set.negated ? "[^" : "[") + item.set.members + "]";
            }
            break;
        }
    }

    // At '(': ICU's group forms pass through; PCRE2-only ones ((*VERB), (?C), (?R), (?|, ...)
    // are errors in ICU and must not reach PCRE2.
    void group() {
        ++m_pos;
        if (peek() == '*') {
            fail();
            return;
        }
        if (peek() != '?') {
            ++m_groups;
            m_out += '(';
            return;
        }
        const char kind = peek(1);
        if (kind == ':' || kind == '=' || kind == '!' || kind == '>') {
            m_out += "(?";
            m_out += kind;
            m_pos += 2;
            return;
        }
        if (kind == '<') {
            if (peek(2) == '=' || peek(2) == '!') {
                m_out.append(m_in.substr(m_pos - 1, 4));
                m_pos += 3;
                return;
            }
            ++m_groups; // named group
            m_out += "(?<";
            m_pos += 2;
            return;
        }
        if (kind == '#') {
            const auto close = m_in.find(')', m_pos);
            if (close == std::string_view::npos) {
                fail();
                return;
            }
            m_pos = close + 1; // a comment matches nothing and leaves no trace
            return;
        }
        // Flag groups: (?ims-x) or (?i:...).
        std::size_t end = m_pos + 1;
        bool turningOn = true;
        while (end < m_in.size() && std::string_view("imswx-").find(m_in[end]) != std::string_view::npos) {
            if (m_in[end] == '-') turningOn = false;
            if (m_in[end] == 'x' && turningOn) m_extended = true;
            if (m_in[end] == 's' && turningOn) m_dotAll = true;
            ++end;
        }
        if (end == m_pos + 1 || end >= m_in.size() || (m_in[end] != ':' && m_in[end] != ')')) {
            fail();
            return;
        }
        m_out += '(';
        m_out.append(m_in.substr(m_pos, end + 1 - m_pos));
        m_pos = end + 1;
    }

    // After a backslash. Outside a class `inClass` is false.
    Item escape(bool inClass) {
        Item item;
        if (atEnd()) {
            fail();
            return item;
        }
        const char c = peek();
        auto setItem = [&](const SetExpr& set) {
            ++m_pos;
            item.kind = Item::Kind::Set;
            item.set = set;
            return item;
        };
        auto rawItem = [&](std::string raw, std::size_t consumed) {
            m_pos += consumed;
            item.kind = Item::Kind::Raw;
            item.raw = std::move(raw);
            return item;
        };
        switch (c) {
        case 's':
            return setItem(spaceSet());
        case 'S':
            return setItem(negate(spaceSet()));
        case 'w':
            return setItem(wordSet());
        case 'W':
            return setItem(negate(wordSet()));
        case 'd':
            return setItem(digitSet());
        case 'D':
            return setItem(negate(digitSet()));
        case 'h':
            return setItem(horizontalSpaceSet());
        case 'H':
            return setItem(negate(horizontalSpaceSet()));
        case 'v':
            return setItem(SetExpr{R"(\n\x{B}\f\r\x{85}\x{2028}\x{2029})", false, false});
        case 'V':
            return setItem(SetExpr{R"(\n\x{B}\f\r\x{85}\x{2028}\x{2029})", true, false});
        case 'p':
        case 'P':
            return property();
        case 'N':
            return namedCharacter();
        case 'Q':
            return quoted(inClass);
        case '0':
            return octal();
        case 'a':
        case 'c':
        case 'e':
        case 'f':
        case 'n':
        case 'r':
        case 't':
        case 'u':
        case 'U':
        case 'x':
            return unescaped();
        default:
            break;
        }
        if (!inClass) {
            switch (c) {
            case 'b':
                return rawItem(boundaryAssertion(true), 1);
            case 'B':
                return rawItem(boundaryAssertion(false), 1);
            case 'A':
            case 'G':
            case 'z':
            case 'X':
            case 'R':
                return rawItem(std::string("\\") + c, 1);
            case 'Z':
                return rawItem("\\Z(?!(?<=\\r)\\n)", 1);
            case 'k':
                return namedReference();
            default:
                if (c >= '1' && c <= '9') return backReference();
            }
        }
        // Anything else is the character itself, as ICU reads it (\E, \K, \b in a class, ...).
        item.kind = Item::Kind::Character;
        item.character = takeCodePoint();
        return item;
    }

    Item property() {
        const bool complement = peek() == 'P';
        ++m_pos;
        std::string name;
        if (peek() == '{') {
            const auto close = m_in.find('}', m_pos);
            if (close == std::string_view::npos) {
                fail();
                return {};
            }
            name = std::string(m_in.substr(m_pos + 1, close - m_pos - 1));
            m_pos = close + 1;
        } else if (!atEnd() && static_cast<unsigned char>(peek()) < 0x80) {
            name = std::string(1, peek());
            ++m_pos;
        }
        std::optional<SetExpr> set = name.empty() ? std::nullopt : propertySet(name);
        if (!set) {
            fail();
            return {};
        }
        Item item;
        item.kind = Item::Kind::Set;
        item.set = complement ? negate(*set) : *set;
        return item;
    }

    Item character(UChar32 c) {
        Item item;
        if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            fail();
            return item;
        }
        item.kind = Item::Kind::Character;
        item.character = c;
        return item;
    }

    Item namedCharacter() {
        ++m_pos;
        const auto close = m_in.find('}', m_pos);
        if (peek() != '{' || close == std::string_view::npos) {
            fail();
            return {};
        }
        const std::string name(m_in.substr(m_pos + 1, close - m_pos - 1));
        m_pos = close + 1;
        UErrorCode status = U_ZERO_ERROR;
        const UChar32 c = u_charFromName(U_EXTENDED_CHAR_NAME, name.c_str(), &status);
        if (U_FAILURE(status)) {
            fail();
            return {};
        }
        return character(c);
    }

    // \0 and one to three octal digits, stopping before a digit that would pass 0377.
    Item octal() {
        ++m_pos;
        UChar32 value = 0;
        int digits = 0;
        while (digits < 3 && peek() >= '0' && peek() <= '7') {
            const UChar32 next = value * 8 + (peek() - '0');
            if (next > 0xFF) break;
            value = next;
            ++digits;
            ++m_pos;
        }
        if (digits == 0) {
            fail();
            return {};
        }
        return character(value);
    }

    // \a \cX \e \f \n \r \t \uhhhh \Uhhhhhhhh \xhh \x{h..}: ICU's own unescaper, which also
    // joins an escaped surrogate pair into one character.
    Item unescaped() {
        struct Source {
            std::string_view text;
        } source{m_in};
        auto charAt = [](int32_t offset, void* context) -> UChar {
            const auto* s = static_cast<const Source*>(context);
            const auto u = static_cast<std::size_t>(offset);
            if (u >= s->text.size()) return 0;
            const auto byte = static_cast<unsigned char>(s->text[u]);
            return byte < 0x80 ? byte : 0xFFFF; // escapes are ASCII; stop at anything else
        };
        auto offset = static_cast<int32_t>(m_pos);
        const UChar32 c = u_unescapeAt(charAt, &offset, static_cast<int32_t>(m_in.size()), &source);
        if (c == U_SENTINEL || offset <= static_cast<int32_t>(m_pos)) {
            fail();
            return {};
        }
        m_pos = static_cast<std::size_t>(offset);
        return character(c);
    }

    // \Q...\E: outside a class PCRE2 reads it the same way; in a class every character is a member.
    Item quoted(bool inClass) {
        const std::size_t start = m_pos - 1;
        auto end = m_in.find("\\E", m_pos + 1);
        const std::size_t stop = end == std::string_view::npos ? m_in.size() : end + 2;
        Item item;
        item.kind = Item::Kind::Raw;
        if (!inClass) {
            item.raw = std::string(m_in.substr(start, stop - start));
            if (end == std::string_view::npos) item.raw += "\\E"; // so that nothing appended is quoted
            m_pos = stop;
            return item;
        }
        ++m_pos;
        const std::size_t contentEnd = end == std::string_view::npos ? m_in.size() : end;
        while (m_pos < contentEnd) appendClassCharacter(item.raw, takeCodePoint());
        m_pos = stop;
        return item;
    }

    Item namedReference() {
        ++m_pos;
        const auto close = m_in.find('>', m_pos);
        if (peek() != '<' || close == std::string_view::npos) {
            fail();
            return {};
        }
        Item item;
        item.kind = Item::Kind::Raw;
        item.raw = "\\k";
        item.raw += m_in.substr(m_pos, close + 1 - m_pos);
        m_pos = close + 1;
        return item;
    }

    // ICU takes further digits only while the number stays below the groups opened so far
    // (with one group, \12 is group 1 then "2"); PCRE2 would read \12 as octal.
    Item backReference() {
        int group = 0;
        while (true) {
            group = group * 10 + (peek() - '0');
            ++m_pos;
            if (group >= m_groups || !(peek() >= '0' && peek() <= '9')) break;
        }
        Item item;
        item.kind = Item::Kind::Raw;
        // \g{n} cannot be read as octal; a missing group fails to compile in PCRE2 as in ICU.
        item.raw = "\\g{";
        item.raw += std::to_string(group);
        item.raw += '}';
        return item;
    }

    static void appendClassCharacter(std::string& out, UChar32 c) {
        if (c == '\\' || c == ']' || c == '[' || c == '^' || c == '-') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += hexEscape(c);
        } else {
            Unicode::appendUTF8(out, static_cast<char32_t>(c));
        }
    }

    // At '[': the whole class, including ICU's [:name:] form and nested unions.
    std::string charClass() {
        ClassBuilder builder;
        bool negated = false;
        classBody(builder, negated, 0);
        return m_ok ? builder.emit(negated) : std::string();
    }

    // Parses one bracketed set starting at '[' into `builder`.
    void classBody(ClassBuilder& builder, bool& negated, int depth) {
        ++m_pos; // '['
        if (peek() == ':') {
            posixClass(builder, negated, depth);
            return;
        }
        bool isNegated = false;
        if (peek() == '^') {
            isNegated = true;
            ++m_pos;
        }
        if (depth > 0 && isNegated) {
            fail(); // a negated nested set would need set arithmetic
            return;
        }
        negated = isNegated;
        bool first = true;
        while (m_ok) {
            if (atEnd()) {
                fail();
                return;
            }
            const char c = peek();
            if (c == ']' && !first) {
                ++m_pos;
                return;
            }
            if (m_extended && skipPatternWhiteSpace()) {
                continue; // ICU's (?x) also drops white space inside sets; PCRE2's keeps it
            }
            first = false;
            if (c == '[') {
                bool nestedNegated = false;
                classBody(builder, nestedNegated, depth + 1);
                escapeHyphenAfterSet(builder);
                continue;
            }
            if ((c == '&' && peek(1) == '&') ||
                (c == '-' && peek(1) == '-' &&
                 (peek(2) == '[' || (peek(2) == '\\' && (peek(3) == 'p' || peek(3) == 'P'))))) {
                fail(); // intersection and difference of sets
                return;
            }
            Item item = classItem();
            if (!m_ok) return;
            if (item.kind == Item::Kind::Set) {
                builder.add(item.set);
                escapeHyphenAfterSet(builder);
                continue;
            }
            if (item.kind == Item::Kind::Raw) { // quoted characters
                builder.members += item.raw;
                continue;
            }
            appendClassCharacter(builder.members, item.character);
            if (peek() == '-' && peek(1) != ']' && peek(1) != '[' && m_pos + 1 < m_in.size()) {
                ++m_pos;
                Item last = classItem();
                if (!m_ok) return;
                if (last.kind != Item::Kind::Character || last.character < item.character) {
                    fail();
                    return;
                }
                builder.members += '-';
                appendClassCharacter(builder.members, last.character);
            }
        }
    }

    // Consumes one Pattern_White_Space character if one is next.
    bool skipPatternWhiteSpace() {
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_in.data());
        const UChar32 c = decodeAt(bytes, m_pos);
        if ((c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0x200E || c == 0x200F || c == 0x2028 ||
            c == 0x2029) {
            m_pos += sequenceLength(bytes[m_pos]);
            return true;
        }
        return false;
    }

    Item classItem() {
        if (peek() == '\\') {
            ++m_pos;
            return escape(true);
        }
        Item item;
        item.kind = Item::Kind::Character;
        item.character = takeCodePoint();
        return item;
    }

    // ICU reads "-" right after a set as a literal hyphen; PCRE2 calls it a bad range.
    void escapeHyphenAfterSet(ClassBuilder& builder) {
        if (peek() == '-' && peek(1) != '-') {
            ++m_pos;
            builder.members += "\\-";
        }
    }

    // [:name:] and [:^name:], inside a class or on their own.
    void posixClass(ClassBuilder& builder, bool& negated, int depth) {
        const auto close = m_in.find(":]", m_pos);
        if (close == std::string_view::npos) {
            fail();
            return;
        }
        std::string name(m_in.substr(m_pos + 1, close - m_pos - 1));
        m_pos = close + 2;
        bool complement = false;
        if (!name.empty() && name.front() == '^') {
            complement = true;
            name.erase(0, 1);
        }
        std::optional<SetExpr> set = propertySet(name);
        if (!set) {
            fail();
            return;
        }
        builder.add(complement ? negate(*set) : *set);
        if (depth == 0) negated = false;
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    std::string m_out;
    int m_groups = 0;
    bool m_ok = true;
    bool m_extended = false; // (?x) seen: '#' may start a comment
    bool m_dotAll = false;   // (?s) seen: a dot may match line terminators
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

    // One leftmost search from `offset` in a validated subject.
    Search search(std::string_view text, std::size_t offset) const {
        ThreadMatchState& state = threadState();
        pcre2_match_data* data = state.matchData(captureCount + 1);
        if (state.context == nullptr || data == nullptr) return {};
        pcre2_set_match_limit(state.context, matchLimitFor(text.size()));
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

Regex::Regex(std::string_view icuPattern) {
    std::optional<std::string> translated = Translator(icuPattern).run();
    if (!translated) return;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context == nullptr) return;
    pcre2_set_newline(context, PCRE2_NEWLINE_ANY); // ICU's line terminators, CR LF as one
    pcre2_set_bsr(context, PCRE2_BSR_UNICODE);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated->data()), translated->size(),
                                     PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_DOLLAR_ENDONLY, &error,
                                     &errorOffset, context);
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
    if (!m_compiled || !Unicode::isValidUTF8(text)) return false;
    return m_compiled->search(text, 0).rc > 0;
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view text) const {
    if (!m_compiled || !Unicode::isValidUTF8(text)) return std::nullopt;
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

std::vector<TextRange> Regex::allMatches(std::string_view text) const {
    std::vector<TextRange> ranges;
    if (!m_compiled || !Unicode::isValidUTF8(text)) return ranges;
    std::size_t offset = 0;
    while (offset <= text.size()) {
        const Compiled::Search found = m_compiled->search(text, offset);
        if (found.rc <= 0) break;
        const TextRange range{found.ovector[0], found.ovector[1]};
        ranges.push_back(range);
        if (range.end > range.begin) {
            offset = range.end;
        } else if (range.end >= text.size()) {
            break;
        } else {
            // As ICU's findNext: after an empty match, the next search starts one character on.
            offset = range.end + sequenceLength(static_cast<unsigned char>(text[range.end]));
        }
    }
    return ranges;
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
