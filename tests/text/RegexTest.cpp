#include "orvel/Regex.h"
#include "orvel/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using orvel::Regex;
using orvel::TextRange;

// One scalar value as UTF-8, so the cases below can name characters by code point.
std::string cp(char32_t c) { return orvel::Unicode::utf8(c); }

std::vector<TextRange> ranges(std::initializer_list<std::pair<std::size_t, std::size_t>> list) {
    std::vector<TextRange> out;
    for (const auto& [begin, end] : list) out.push_back({begin, end});
    return out;
}

const std::string kPEMPattern = R"(-----BEGIN ([A-Z0-9 ]+)-----([A-Za-z0-9+/=\s]*?)-----END \1-----)";

TEST(RegexTest, WhiteSpaceIsTheUnicodeWhiteSpaceProperty) {
    const Regex space(R"(\s)");
    for (const char32_t c : {U'\t', U'\n', U'\v', U'\f', U'\r', U' ', U'\u0085', U'\u00A0', U'\u2028', U'\u3000'}) {
        EXPECT_TRUE(space.matches(cp(c))) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    // Zero-width space and the Mongolian vowel separator are format characters, not spaces.
    for (const char32_t c : {U'\u200B', U'\u180E', U'\uFEFF', U'a'}) {
        EXPECT_FALSE(space.matches(cp(c))) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_EQ(Regex(R"(\S+)").allMatches("a" + cp(0x0B) + "b" + cp(0x85) + "c"), ranges({{0, 1}, {2, 3}, {5, 6}}));
    // Inside a class, and negated inside a negated class.
    EXPECT_EQ(Regex(R"([^\s&]+)").allMatches("k=v" + cp(0x3000) + "x&y"), ranges({{0, 3}, {6, 7}, {8, 9}}));
    EXPECT_EQ(Regex(R"([\s,]+)").allMatches("a," + cp(0x85) + "b"), ranges({{1, 4}}));
    // ICU's \h is [\t\p{Zs}]: no NEL, no U+180E.
    const Regex horizontal(R"(^\h$)");
    EXPECT_TRUE(horizontal.matches(cp(0xA0)));
    EXPECT_TRUE(horizontal.matches("\t"));
    EXPECT_FALSE(horizontal.matches(cp(0x180E)));
    EXPECT_FALSE(horizontal.matches(cp(0x85)));
}

TEST(RegexTest, WordCharactersAreICUs) {
    // Letters of any script, marks, decimal digits, connector punctuation, ZWNJ and ZWJ.
    const std::string text = "caf" + cp(0xE9) + " " + cp(0x436) + cp(0x43A) + " " + cp(0x4E2D) + cp(0x6587) + " e" +
                             cp(0x301) + " a" + cp(0x200D) + "b " + cp(0x0663) + "_x" + cp(0x203F) + "y";
    const std::vector<TextRange> words = Regex(R"(\w+)").allMatches(text);
    std::vector<std::string> found;
    for (const TextRange& r : words) found.push_back(text.substr(r.begin, r.end - r.begin));
    EXPECT_EQ(found, (std::vector<std::string>{"caf" + cp(0xE9), cp(0x436) + cp(0x43A), cp(0x4E2D) + cp(0x6587),
                                               "e" + cp(0x301), "a" + cp(0x200D) + "b",
                                               cp(0x0663) + "_x" + cp(0x203F) + "y"}));
    EXPECT_EQ(Regex(R"(\W+)").allMatches("a-" + cp(0x2014) + "b"), ranges({{1, 5}}));
    // [^\W\d] is a word character that is not a digit.
    EXPECT_EQ(Regex(R"([^\W\d]+)").allMatches("ab12" + cp(0xE9) + "-x"), ranges({{0, 2}, {4, 6}, {7, 8}}));
    // Characters new in Unicode 15 (Kawi) that PCRE2's own tables do not know yet.
    EXPECT_TRUE(Regex(R"(^\w$)").matches(cp(0x11F04)));
    EXPECT_TRUE(Regex(R"(^\d$)").matches(cp(0x11F50)));
    EXPECT_TRUE(Regex(R"(^\p{L}$)").matches(cp(0x11F04)));
}

TEST(RegexTest, WordBoundaryFollowsICU) {
    // A combining mark belongs to the letter before it: no boundary after "e\u0301".
    EXPECT_FALSE(Regex(R"(\babc)").matches("e" + cp(0x301) + "abc"));
    EXPECT_TRUE(Regex(R"(\babc)").matches("-" + cp(0x301) + "abc"));
    // Never a boundary just before a format character, and the look back skips them.
    const std::string zwsp = "abc" + cp(0x200B) + " def";
    EXPECT_EQ(Regex(R"(\b)").allMatches(zwsp), ranges({{0, 0}, {6, 6}, {7, 7}, {10, 10}}));
    EXPECT_FALSE(Regex(R"(\babc\b)").matches(zwsp));
    EXPECT_FALSE(Regex(R"(\babc\b)").matches("abc" + cp(0xAD)));
    EXPECT_FALSE(Regex(R"(\babc\b)").matches("abc" + cp(0xAD) + "-"));
    EXPECT_TRUE(Regex(R"(\b-)").matches("abc" + cp(0xAD) + "-"));
    EXPECT_FALSE(Regex(R"(\bdef)").matches("abc" + cp(0x200B) + "def"));
    EXPECT_FALSE(Regex(R"(\bdef)").matches("abc" + cp(0xFEFF) + cp(0x301) + cp(0x200B) + "def"));
    EXPECT_TRUE(Regex(R"(\bdef)").matches("." + cp(0xFEFF) + cp(0x301) + cp(0x200B) + "def"));
    // Non-ASCII letters are word characters on either side.
    EXPECT_FALSE(Regex(R"(\bcaf\b)").matches("caf" + cp(0xE9)));
    EXPECT_FALSE(Regex(R"(\bid\b)").matches(cp(0x436) + "id"));
    EXPECT_FALSE(Regex(R"(\b42\b)").matches(cp(0x4E2D) + "42" + cp(0x6587)));
    EXPECT_TRUE(Regex(R"(\b42\b)").matches(cp(0x3000) + "42" + cp(0x3002)));
    // \B is the exact complement, including at the ends of the text.
    EXPECT_EQ(Regex(R"(\B)").allMatches("ab " + cp(0x301)), ranges({{1, 1}, {3, 3}, {5, 5}}));
    EXPECT_EQ(Regex(R"(\B.)").allMatches("e" + cp(0x301) + "x y"), ranges({{1, 3}, {3, 4}}));
}

TEST(RegexTest, DotAndAnchorsTreatEveryLineTerminatorAlike) {
    const Regex dot("a.b");
    for (const char32_t c : {U'\n', U'\v', U'\f', U'\r', U'\u0085', U'\u2028', U'\u2029'}) {
        const std::string text = std::string("a").append(cp(c)).append("b");
        EXPECT_FALSE(dot.matches(text)) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_TRUE(dot.matches("a" + cp(0x1F600) + "b"));
    // $ matches at the very end only, also where ICU's would match before a final line
    // terminator; \Z does match there, but never between CR and LF.
    const Regex end("abc$");
    EXPECT_TRUE(end.matches("xabc"));
    for (const std::string terminator : {"\n", "\v", "\f", "\r", "\r\n", "\u0085", "\u2028", "\u2029"}) {
        EXPECT_FALSE(end.matches("abc" + terminator)) << ::testing::PrintToString(terminator);
        EXPECT_EQ(Regex(R"(c\Z)").allMatches("abc" + terminator), ranges({{2, 3}}));
    }
    EXPECT_FALSE(end.matches("abc\nx"));
    EXPECT_FALSE(Regex("c\\r$").matches("abc\r\n"));
    EXPECT_FALSE(Regex("^abc$").matches("x\nabc"));
    EXPECT_EQ(Regex(R"(\s+$)").allMatches("a \t\n"), ranges({{1, 4}}));
    EXPECT_EQ(Regex(R"(\Z)").allMatches("a\r\n"), ranges({{1, 1}, {3, 3}}));
    // Every position is tried, also the one between CR and LF.
    EXPECT_EQ(Regex(R"(\s$)").allMatches("a\r\n"), ranges({{2, 3}}));
    EXPECT_EQ(Regex(R"(\B)").allMatches("\r\n"), ranges({{0, 0}, {1, 1}, {2, 2}}));
    // With (?s) a dot takes CR LF as one character.
    EXPECT_TRUE(Regex("(?s)a.b").matches("a\r\nb"));
    EXPECT_FALSE(Regex("(?s)a..b").matches("a\r\nb"));
    EXPECT_FALSE(Regex("(?s)a.\\nb").matches("a\r\nb"));
}

TEST(RegexTest, LazyQuantifierAndBackReference) {
    const std::string cert = "-----BEGIN CERTIFICATE-----\nMIIBszCCAV2gAwIBAgIU\nAbCd==\n-----END CERTIFICATE-----";
    const std::string key = "-----BEGIN PUBLIC KEY-----\r\nMFkwEwYHKoZI\r\n-----END PUBLIC KEY-----";
    const std::string text = "log: " + cert + "\n\n" + key + "\n";
    const Regex pem(kPEMPattern);
    // Lazy: two blocks, not one running to the last END line.
    EXPECT_EQ(pem.allMatches(text), ranges({{5, 5 + cert.size()}, {7 + cert.size(), 7 + cert.size() + key.size()}}));

    const auto first = pem.firstMatch(text);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->groups.size(), 2u);
    EXPECT_EQ(text.substr(first->groups[0]->begin, first->groups[0]->end - first->groups[0]->begin), "CERTIFICATE");
    EXPECT_EQ(text.substr(first->groups[1]->begin, first->groups[1]->end - first->groups[1]->begin),
              "\nMIIBszCCAV2gAwIBAgIU\nAbCd==\n");

    // The END label must repeat the BEGIN label: the lazy body stretches to the matching one.
    const std::string mismatched = "-----BEGIN A-----\nQUJD\n-----END B-----\nREVG\n-----END A-----";
    EXPECT_FALSE(pem.matches(mismatched)); // "-----END B-----" is not base64 body
    const std::string nested = "-----BEGIN A-----\nQUJD\n-----END AB-----";
    EXPECT_FALSE(pem.matches(nested));

    // A group that took no part is absent, not empty.
    const auto alternative = Regex("(a)|(b)").firstMatch("xb");
    ASSERT_TRUE(alternative.has_value());
    EXPECT_FALSE(alternative->groups[0].has_value());
    EXPECT_EQ(alternative->groups[1], (TextRange{1, 2}));
    // ICU reads \12 as group 1 and a "2" while only one group exists.
    EXPECT_TRUE(Regex(R"((a)\12)").matches("aa2"));
}

TEST(RegexTest, LargeLazyBodyStaysWithinTheMatchLimit) {
    std::string body;
    while (body.size() < (3u << 20)) body += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2\n";
    const std::string text = "-----BEGIN CERTIFICATE-----\n" + body + "-----END CERTIFICATE-----\n";
    const auto match = Regex(kPEMPattern).firstMatch(text);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->range, (TextRange{0, text.size() - 1}));
}

TEST(RegexTest, ICUEscapesAreTranslated) {
    EXPECT_TRUE(Regex(R"(^\u00e9\U0001F600\x{41}\x42$)").matches(cp(0xE9) + cp(0x1F600) + "AB"));
    EXPECT_TRUE(Regex(R"(^\uD83D\uDE00$)").matches(cp(0x1F600))); // an escaped surrogate pair is one character
    EXPECT_TRUE(Regex(R"(^[\u0041-\u005A]+$)").matches("ABZ"));
    EXPECT_TRUE(Regex(R"(^\N{LATIN SMALL LETTER E WITH ACUTE}$)").matches(cp(0xE9)));
    EXPECT_TRUE(Regex(R"(^\0101\cA\e$)").matches("A\x01\x1B"));
    // Letter escapes ICU does not know stand for the letter; in a class \b is just "b".
    EXPECT_TRUE(Regex(R"(^\E\K\y$)").matches("EKy"));
    EXPECT_TRUE(Regex(R"(^[\b]$)").matches("b"));
    // A hyphen right after a class escape is literal.
    EXPECT_EQ(Regex(R"([\s-z]+)").allMatches("a- z"), ranges({{1, 4}}));
    EXPECT_EQ(Regex(R"([\d-]+)").allMatches("x12-3y"), ranges({{1, 5}}));
    // \p{Greek} is the Script property (ICU), not Script_Extensions (PCRE2's default).
    EXPECT_TRUE(Regex(R"(\p{Greek})").matches(cp(0x3B1)));
    EXPECT_FALSE(Regex(R"(\p{Greek})").matches(cp(0x342)));
    EXPECT_TRUE(Regex(R"([[:alpha:]]+)").matches(cp(0x345)));
    EXPECT_TRUE(Regex(R"(^\p{InBasicLatin}+$)").matches("plain"));
    EXPECT_TRUE(Regex(R"(^\Q.*[\E+$)").matches(".*[[["));
    EXPECT_FALSE(Regex(R"(^\Q.*[\E+$)").matches(".*[.*["));
    // Comments, flags and look-arounds pass through.
    EXPECT_TRUE(Regex(R"((?i)ab(?#note)c(?=d)(?<!x))").matches("ABcd"));
}

TEST(RegexTest, InvalidPatternMatchesNothing) {
    for (const char* pattern : {"(", "[a-", "a)(", "(*CR)a", "(?C1)a", "(?R)", "[a-z&&[aeiou]]", "[\\p{L}--[a-z]]",
                                "\\p{NoSuchProperty}", "a\\", "\\x", "(?<=a+)b", "\\2(a)"}) {
        const Regex regex(pattern);
        EXPECT_FALSE(regex.isValid()) << pattern;
        EXPECT_FALSE(regex.matches("a(b)aeiou"));
        EXPECT_FALSE(regex.firstMatch("a(b)aeiou").has_value());
        EXPECT_TRUE(regex.allMatches("a(b)aeiou").empty());
        EXPECT_EQ(regex.replaceAll("a(b)aeiou", "x"), "a(b)aeiou");
    }
    Regex moved("a");
    const Regex target = std::move(moved);
    EXPECT_TRUE(target.matches("a"));
}

TEST(RegexTest, InvalidUTF8TextMatchesNothing) {
    const Regex any(".*");
    for (const std::string text : {"\xFF", "abc\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(any.matches(text));
        EXPECT_FALSE(any.firstMatch(text).has_value());
        EXPECT_TRUE(any.allMatches(text).empty());
        EXPECT_EQ(any.replaceAll(text, "x"), text);
    }
    EXPECT_TRUE(any.matches(""));
}

TEST(RegexTest, AllMatchesReportsByteRangesLikeICUsFindLoop) {
    // After an empty match the search moves on by one character, not one byte.
    EXPECT_EQ(Regex("x*").allMatches("a" + cp(0xE9) + cp(0x1F600)), ranges({{0, 0}, {1, 1}, {3, 3}, {7, 7}}));
    EXPECT_EQ(Regex("a*").allMatches("baa"), ranges({{0, 0}, {1, 3}, {3, 3}}));
    EXPECT_EQ(Regex(R"(\d+)").allMatches("a12" + cp(0xE9) + "345" + cp(0x0663)), ranges({{1, 3}, {5, 10}}));
    EXPECT_TRUE(Regex("z").allMatches("abc").empty());
    EXPECT_EQ(Regex("").allMatches(""), ranges({{0, 0}}));
}

TEST(RegexTest, ReplaceAllTakesTheReplacementLiterally) {
    EXPECT_EQ(Regex(R"((\d+))").replaceAll("a1b22", R"($1\)"), R"(a$1\b$1\)");
    EXPECT_EQ(Regex("x*").replaceAll("a" + cp(0xE9), "-"), "-a-" + cp(0xE9) + "-");
    EXPECT_EQ(Regex(R"(\s+)").replaceAll("a \t b" + cp(0x3000) + "c", " "), "a b c");
    EXPECT_EQ(Regex("q").replaceAll("abc", "x"), "abc");
}

TEST(RegexTest, CatastrophicPatternReturns) {
    const Regex catastrophic("(a+)+$");
    const std::string text = std::string(64, 'a') + "b";
    EXPECT_FALSE(catastrophic.matches(text));
    EXPECT_TRUE(catastrophic.allMatches(text).empty());
}

TEST(RegexTest, OneInstanceIsSharedAcrossThreads) {
    const Regex token(R"(\beyJ[A-Za-z0-9_-]+\.[A-Za-z0-9_-]+\.[A-Za-z0-9_-]*)");
    const Regex groups(R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l))");
    std::string text;
    for (int i = 0; i < 200; ++i) text += "x eyJhbGc.eyJzdWIi.sig " + cp(0x436) + "eyJa.b.c abcdefghijkl\n";
    const std::vector<TextRange> expected = token.allMatches(text);
    ASSERT_EQ(expected.size(), 200u);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                // Alternating patterns with different group counts reuse the thread's match data.
                if (token.allMatches(text) != expected) ++failures[t];
                if (groups.allMatches(text).size() != 200u) ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
}

} // namespace
