// The Regex wrapper against ICU's own engine, which defines what the patterns mean.
#include "orvel/Regex.h"
#include "orvel/Unicode.h"

#include <gtest/gtest.h>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using orvel::Regex;
using orvel::TextRange;

std::string cp(char32_t c) { return orvel::Unicode::utf8(c); }

// ICU's view of a UTF-8 text: the UTF-16 string and, per UTF-16 index, the byte offset.
struct ICUText {
    std::string utf8;
    icu::UnicodeString utf16;
    std::vector<std::uint32_t> byteOffset;

    explicit ICUText(std::string text) : utf8(std::move(text)), utf16(icu::UnicodeString::fromUTF8(utf8)) {
        const int32_t length = utf16.length();
        byteOffset.resize(static_cast<std::size_t>(length) + 1);
        std::uint32_t byte = 0;
        const char16_t* units = utf16.getBuffer();
        for (int32_t i = 0; i < length; ++i) {
            byteOffset[static_cast<std::size_t>(i)] = byte;
            const char16_t u = units[i];
            if (U16_IS_LEAD(u)) {
                byteOffset[static_cast<std::size_t>(++i)] = byte;
                byte += 4;
            } else {
                byte += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
            }
        }
        byteOffset[static_cast<std::size_t>(length)] = byte;
    }
    std::size_t toByte(int32_t index) const { return byteOffset.at(static_cast<std::size_t>(index)); }
};

// Our "$" is the very end of the text; ICU's also matches before a final line terminator. Outside
// (?m), where both match at every line end, ICU spells ours "\z".
std::string withEndOnlyDollar(const std::string& pattern) {
    if (pattern.find("(?m)") != std::string::npos) return pattern;
    std::string out;
    int classDepth = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size()) {
            // \Q...\E is quoted text, any other escape one character.
            const std::size_t end = pattern[i + 1] == 'Q' ? pattern.find("\\E", i) : i;
            const std::size_t next = end == std::string::npos ? pattern.size() : end + 2;
            out += pattern.substr(i, next - i);
            i = next - 1;
            continue;
        }
        if (c == '[') ++classDepth;
        if (c == ']' && classDepth > 0) --classDepth;
        out += c == '$' && classDepth == 0 ? std::string(R"(\z)") : std::string(1, c);
    }
    return out;
}

class ICURegex {
public:
    explicit ICURegex(const std::string& pattern) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        m_pattern.reset(icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(withEndOnlyDollar(pattern)), 0,
                                                   parseError, status));
        if (U_FAILURE(status)) {
            m_pattern.reset();
            return;
        }
        m_matcher.reset(m_pattern->matcher(status));
    }
    bool valid() const { return m_pattern != nullptr; }

    std::vector<TextRange> allMatches(const ICUText& text) const {
        UErrorCode status = U_ZERO_ERROR;
        m_matcher->reset(text.utf16);
        std::vector<TextRange> out;
        while (m_matcher->find(status)) {
            out.push_back({text.toByte(m_matcher->start(status)), text.toByte(m_matcher->end(status))});
        }
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status); // e.g. ICU's own backtracking stack limit
        return out;
    }

    std::optional<orvel::RegexMatch> firstMatch(const ICUText& text) const {
        UErrorCode status = U_ZERO_ERROR;
        m_matcher->reset(text.utf16);
        if (!m_matcher->find(status)) return std::nullopt;
        orvel::RegexMatch match;
        match.range = {text.toByte(m_matcher->start(status)), text.toByte(m_matcher->end(status))};
        for (int32_t g = 1; g <= m_matcher->groupCount(); ++g) {
            const int32_t begin = m_matcher->start(g, status);
            if (begin < 0) {
                match.groups.emplace_back();
            } else {
                match.groups.push_back(TextRange{text.toByte(begin), text.toByte(m_matcher->end(g, status))});
            }
        }
        return match;
    }

private:
    std::unique_ptr<icu::RegexPattern> m_pattern;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
};

std::string describe(const std::vector<TextRange>& ranges) {
    std::string out;
    for (const TextRange& r : ranges) {
        out += '[';
        out += std::to_string(r.begin);
        out += ',';
        out += std::to_string(r.end);
        out += ')';
    }
    return out.empty() ? "none" : out;
}

std::string escaped(const std::string& text) {
    std::string out;
    const icu::UnicodeString s = icu::UnicodeString::fromUTF8(text);
    for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
        const UChar32 c = s.char32At(i);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\x{%X}", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

// Texts shaped like what the detectors scan: tokens of every kind with the characters on
// which ICU and PCRE2 disagree (marks, format characters, exotic spaces, line breaks) around them.
class TextGenerator {
public:
    explicit TextGenerator(std::uint64_t seed) : m_random(seed) {}

    std::string text() {
        std::string out;
        const int pieces = pick(1, 20);
        for (int i = 0; i < pieces; ++i) {
            if (chance(3)) out += glue();
            out += token();
            if (chance(2)) out += glue();
        }
        return out;
    }

    std::string token() {
        switch (pick(0, 13)) {
        case 0:
            return oneOf({"hello", "token", "Bearer", "id", "user_name", "caf" + cp(0xE9), "x"});
        case 1:
            return run("0123456789", pick(1, 16));
        case 2:
            return run("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", pick(4, 48)) +
                   std::string(static_cast<std::size_t>(pick(0, 2)), '=');
        case 3:
            return "eyJ" + run(kURLSafe, pick(1, 20)) + "." + run(kURLSafe, pick(0, 20)) +
                   (chance(4) ? "" : "." + run(kURLSafe, pick(0, 20)));
        case 4:
            return (chance(3) ? "0x" : "") + run("0123456789abcdefABCDEF", pick(8, 40));
        case 5:
            return run("0123456789abcdef", 8) + "-" + run("0123456789abcdef", 4) + "-" + run("0123456789abcdef", 4) +
                   "-" + run("0123456789ABCDEF", 4) + "-" + run("0123456789abcdef", pick(11, 13));
        case 6:
            return oneOf({cp(0xE9), cp(0x436) + cp(0x438), cp(0x4E2D) + cp(0x6587), cp(0x627) + cp(0x644) + cp(0x639),
                          cp(0x663) + cp(0x664), "e\xCC\x81", cp(0x1F600), cp(0x1F469) + cp(0x200D) + cp(0x1F4BB)});
        case 7:
            return oneOf({cp(0x301), cp(0x300), cp(0x200B), cp(0x200D), cp(0x200C), cp(0xAD), cp(0xFEFF)});
        case 8:
            return "k" + run("abc", pick(0, 3)) + "=" + run("xyz09%", pick(0, 5)) + "&v=" + run("12", pick(0, 3));
        case 9:
            return pem();
        case 10:
            return oneOf({"-", ".", "=", "/", "+", "_", "&", ":", "\"", "'", "<", ">"});
        case 11:
            return run("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-", pick(20, 40));
        case 12:
            return std::to_string(1'600'000'000 + pick(0, 99'999'999)) + (chance(2) ? std::string("123") : "");
        default:
            return oneOf({"\n", "\r\n", "\r", " ", cp(0x3000)});
        }
    }

    std::string glue() {
        return oneOf({" ",        "  ",     "\t",       "\n",        "\r\n",     "\r",       cp(0x0B),  cp(0x0C),
                      cp(0x85),   cp(0xA0), cp(0x3000), cp(0x2028),  cp(0x2029), cp(0x301),  cp(0x300), cp(0x200B),
                      cp(0x200D), cp(0xAD), cp(0xFEFF), cp(0x1F600), ",",        ".",        "=",       "-",
                      "(",        ")",      "\"",       cp(0xE9),    cp(0x436),  "e\xCC\x81"});
    }

    std::string pem() {
        const std::string label = oneOf({"CERTIFICATE", "PUBLIC KEY", "RSA PRIVATE KEY", "X509 CRL"});
        std::string body = chance(2) ? "\n" : "\r\n";
        const int lines = pick(0, 3);
        for (int i = 0; i < lines; ++i) {
            body += run("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", pick(1, 64));
            body += oneOf({"\n", "\r\n", " ", cp(0x85), "==\n"});
        }
        const std::string endLabel = chance(5) ? oneOf({"CERTIFICATE", "PUBLIC KEY", "KEY"}) : label;
        return "-----BEGIN " + label + "-----" + body + "-----END " + endLabel + "-----";
    }

    bool chance(int oneIn) { return pick(0, oneIn - 1) == 0; }
    // Plain modulo on mt19937_64, whose output the standard fixes: the same texts everywhere.
    int pick(int low, int high) {
        return low + static_cast<int>(m_random() % static_cast<std::uint64_t>(high - low + 1));
    }

private:
    static constexpr const char* kURLSafe = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";

    std::string oneOf(std::initializer_list<std::string> choices) {
        return *(choices.begin() + pick(0, static_cast<int>(choices.size()) - 1));
    }
    std::string run(std::string_view alphabet, int length) {
        std::string out;
        for (int i = 0; i < length; ++i)
            out += alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
        return out;
    }

    std::mt19937_64 m_random;
};

const char* const kScanPatterns[] = {
    R"(\b[A-Za-z0-9+/_-]{24,}={0,2})",
    R"(\beyJ[A-Za-z0-9_-]+\.[A-Za-z0-9_-]+\.[A-Za-z0-9_-]*)",
    R"(\b[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}\b)",
    R"(\b\d{10}\b)",
    R"(\b\d{13}\b)",
    R"(\b(?:0x)?[0-9a-fA-F]{16,}\b)",
    R"([A-Za-z_][A-Za-z0-9_.]*=[^\s&]*(?:&[A-Za-z_][A-Za-z0-9_.]*=[^\s&]*)+)",
    R"(-----BEGIN [A-Z0-9 ]+-----[A-Za-z0-9+/=\s]+-----END [A-Z0-9 ]+-----)",
    R"(\s+$)",
    R"(\w+)",
    R"(\B.)",
    R"(^[A-Za-z0-9+/]+={0,2}$)",
    R"(^[0-9a-fA-F]+$)",
    // The building blocks on their own, where a difference cannot hide behind a literal.
    R"(\b)",
    R"(\B)",
    R"(\W+)",
    R"([^\W\d]+)",
    R"(\h+)",
    R"(.+)",
    R"((?m)^\w+$)",
    R"(\b\w+\b)",
    R"(\s$)",
};

constexpr int kTexts = 2000;

TEST(RegexICUDifferentialTest, AllMatchesAgreeOnGeneratedTexts) {
    TextGenerator generator(20240501);
    std::vector<std::pair<Regex, ICURegex>> patterns;
    for (const char* pattern : kScanPatterns) {
        patterns.emplace_back(Regex(pattern), ICURegex(pattern));
        ASSERT_TRUE(patterns.back().first.isValid()) << pattern;
        ASSERT_TRUE(patterns.back().second.valid()) << pattern;
    }
    int compared = 0;
    int withMatches = 0;
    int disagreements = 0;
    for (int i = 0; i < kTexts; ++i) {
        const ICUText text(generator.text());
        for (std::size_t p = 0; p < patterns.size(); ++p) {
            const std::vector<TextRange> expected = patterns[p].second.allMatches(text);
            const std::vector<TextRange> actual = patterns[p].first.allMatches(text.utf8);
            ++compared;
            if (!expected.empty()) ++withMatches;
            if (actual != expected && ++disagreements <= 10) {
                ADD_FAILURE() << "pattern " << kScanPatterns[p] << "\ntext " << escaped(text.utf8) << "\nICU   "
                              << describe(expected) << "\nRegex " << describe(actual);
            }
        }
    }
    EXPECT_EQ(disagreements, 0);
    // The generator has to exercise the patterns, not just produce misses.
    EXPECT_GT(withMatches, compared / 3);
}

TEST(RegexICUDifferentialTest, AnchoredWholeTextTestsAgree) {
    TextGenerator generator(77);
    const char* const anchored[] = {R"(^[A-Za-z0-9+/]+={0,2}$)", R"(^[A-Za-z0-9_-]+={0,2}$)", R"(^[0-9a-fA-F]+$)",
                                    R"(^[0-9]+$)", R"(^\s*$)"};
    int matched = 0;
    for (const char* pattern : anchored) {
        const Regex regex(pattern);
        const ICURegex icu(pattern);
        for (int i = 0; i < kTexts / 2; ++i) {
            std::string text = generator.token();
            if (generator.chance(4)) text += generator.chance(2) ? "\n" : generator.glue();
            if (generator.chance(8)) text = generator.glue() + text;
            const bool expected = !icu.allMatches(ICUText(text)).empty();
            EXPECT_EQ(regex.matches(text), expected) << pattern << " on " << escaped(text);
            matched += expected ? 1 : 0;
        }
    }
    EXPECT_GT(matched, kTexts / 4);
}

TEST(RegexICUDifferentialTest, PEMGroupsAgree) {
    TextGenerator generator(5);
    const std::string pattern = R"(-----BEGIN ([A-Z0-9 ]+)-----([A-Za-z0-9+/=\s]*?)-----END \1-----)";
    const Regex regex(pattern);
    const ICURegex icu(pattern);
    int found = 0;
    for (int i = 0; i < kTexts / 3; ++i) {
        std::string text = generator.chance(2) ? generator.glue() : "";
        const int blocks = generator.pick(1, 3);
        for (int b = 0; b < blocks; ++b) text += generator.pem() + generator.glue();
        const ICUText icuText(text);
        const auto expected = icu.firstMatch(icuText);
        const auto actual = regex.firstMatch(text);
        ASSERT_EQ(actual.has_value(), expected.has_value()) << escaped(text);
        if (!expected) continue;
        ++found;
        EXPECT_EQ(actual->range, expected->range) << escaped(text);
        EXPECT_EQ(actual->groups, expected->groups) << escaped(text);
        EXPECT_EQ(regex.allMatches(text), icu.allMatches(icuText)) << escaped(text);
    }
    EXPECT_GT(found, kTexts / 6);
}

// ICU syntax the translator rewrites or passes through, on the same kind of texts.
TEST(RegexICUDifferentialTest, TranslatedSyntaxAgrees) {
    const char* const patterns[] = {
        R"(\x{1F600}|\U0001F469\u200D)",
        R"([\u00e0-\u00ff\u0400-\u04ff]+)",
        R"(\N{COMBINING ACUTE ACCENT}\w)",
        R"((?i)CAF\u00c9|EYJ\w)",
        R"([[:alpha:]]+)",
        R"([[:^alpha:][:digit:]]+)",
        R"(\p{Cyrillic}+|\p{Han}+)",
        R"(\P{L}{2,})",
        R"(\Q.\E\w|\Q=\E+)",
        R"((?<c>[a-f])\k<c>)",
        R"(([0-9])\1)",
        R"(\d{2,3}?)",
        R"((?m)^.+$)",
        R"((?s).{3}$)",
        R"(\h+|\v+)",
        R"(\R)",
        R"(\X\u0301)",
        R"([^\s\S]|x)",
        R"([\s\d]+)",
        R"([^\w\s]+)",
        R"([^\D\W]+)",
        R"(\w+(?=\s)|(?<=\.)\w)",
        R"(\b\w{3}\b|\B\d)",
        R"(\0101|\x41|\cJ)",
        R"([\s-][a-z])",
        R"(\S+\Z)",
        R"(\A\W*\w)",
        R"(\s$|\z)",
        R"((?#note)\p{Nd}+)",
        R"((?x) \w + \# | = )",
        "(?x) [a-f =]+ # (not [syntax\\\n| \\d",
    };
    TextGenerator generator(99);
    std::vector<ICUText> texts;
    for (int i = 0; i < kTexts / 10; ++i)
        texts.emplace_back(generator.text() + (generator.chance(2) ? "CAF\xC3\xA9" : ""));
    for (const char* pattern : patterns) {
        const Regex regex(pattern);
        const ICURegex icu(pattern);
        ASSERT_TRUE(icu.valid()) << pattern;
        ASSERT_TRUE(regex.isValid()) << pattern;
        for (const ICUText& text : texts) {
            const std::vector<TextRange> expected = icu.allMatches(text);
            const std::vector<TextRange> actual = regex.allMatches(text.utf8);
            if (actual != expected) {
                ADD_FAILURE() << pattern << "\ntext " << escaped(text.utf8) << "\nICU   " << describe(expected)
                              << "\nRegex " << describe(actual);
                break;
            }
        }
    }
}

// Every kind of scalar value, in order, through the character-class escapes: catches any
// character on which the translated sets and ICU's sets disagree, including characters
// newer than PCRE2's Unicode tables.
TEST(RegexICUDifferentialTest, ClassesAgreeOnEveryScalarValue) {
    // In slices: one 4 MB text would run into ICU's own backtracking stack limit. Planes 4 to
    // 13 are unassigned and 15 and 16 private use throughout: one slice of each kind will do.
    constexpr UChar32 kSlice = 0x2000;
    std::vector<ICUText> slices;
    for (UChar32 first = 0; first <= 0x10FFFF; first += kSlice) {
        const UChar32 plane = first >> 16;
        if ((plane >= 4 && plane <= 13 && first != 0x50000) || (plane >= 15 && (first & 0xFFFF) != 0)) continue;
        std::string slice;
        for (UChar32 c = first; c < first + kSlice; ++c) {
            if (c < 0xD800 || c > 0xDFFF) orvel::Unicode::appendUTF8(slice, static_cast<char32_t>(c));
        }
        slices.emplace_back(std::move(slice));
    }
    for (const char* pattern : {R"(\w+)", R"(\W+)", R"(\d+)", R"(\D+)", R"(\s+)", R"(\S+)", R"(\h+)", R"(.+)",
                                R"(\p{L}+)", R"(\P{L}+)", R"(\p{Cn}+)", R"(\p{Alphabetic}+)", R"(\p{Lowercase}+)",
                                R"(\p{Assigned}+)", R"(\p{Greek}+)", R"([\w\s]+)", R"([^\W\d]+)", R"([\p{Lu}\d]+)"}) {
        const Regex regex(pattern);
        const ICURegex icu(pattern);
        for (std::size_t i = 0; i < slices.size(); ++i) {
            const std::vector<TextRange> expected = icu.allMatches(slices[i]);
            const std::vector<TextRange> actual = regex.allMatches(slices[i].utf8);
            if (actual == expected) continue;
            std::size_t m = 0;
            while (m < actual.size() && m < expected.size() && actual[m] == expected[m]) ++m;
            ADD_FAILURE() << pattern << " in slice " << i << ": ICU "
                          << (m < expected.size() ? describe({expected[m]}) : "none") << ", Regex "
                          << (m < actual.size() ? describe({actual[m]}) : "none");
            break;
        }
    }
}

} // namespace
