// The Regex wrapper and the pattern registry, held against ICU's own engine, which defines what
// the patterns mean.
#include "text/Regex.h"
#include "orvel/Unicode.h"
#include "text/Patterns.h"

#include <gtest/gtest.h>

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using orvel::Regex;
using orvel::TextRange;
namespace Patterns = orvel::Patterns;

// Our "$" is the very end of the text; ICU's also matches before a final line terminator and
// spells ours "\z". The patterns write an anchoring "$" last or nowhere.
std::string withEndOnlyDollar(std::string pattern) {
    if (pattern.ends_with('$') && !pattern.ends_with("\\$")) pattern.replace(pattern.size() - 1, 1, "\\z");
    return pattern;
}

// ICU's engine over the UTF-8 text itself, so that its native indices are our byte offsets.
struct ICURegex {
    std::unique_ptr<icu::RegexPattern> pattern;

    explicit ICURegex(std::string_view source) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        const auto icuSource = icu::UnicodeString::fromUTF8(withEndOnlyDollar(std::string(source)));
        pattern.reset(icu::RegexPattern::compile(icuSource, 0, parseError, status));
        if (U_FAILURE(status)) pattern.reset();
    }

    // Every match, as its range, and the groups of the first.
    std::vector<TextRange> allMatches(const std::string& text, std::vector<std::optional<TextRange>>& groups) const {
        UErrorCode status = U_ZERO_ERROR;
        UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
        const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
        matcher->reset(utext);
        const auto range = [&](int32_t group) {
            return TextRange{static_cast<std::size_t>(matcher->start64(group, status)),
                             static_cast<std::size_t>(matcher->end64(group, status))};
        };
        std::vector<TextRange> out;
        for (groups.clear(); matcher->find(status); out.push_back(range(0))) {
            for (int32_t g = 1; out.empty() && g <= matcher->groupCount(); ++g) {
                groups.push_back(matcher->start64(g, status) < 0 ? std::nullopt : std::optional(range(g)));
            }
        }
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status); // e.g. ICU's own backtracking stack limit
        utext_close(utext);
        return out;
    }
};

// Texts shaped like what the patterns meet: tokens of every registered kind with the characters
// on which ICU and PCRE2 disagree (marks, format characters, exotic spaces, line breaks) around them.
class TextGenerator {
public:
    explicit TextGenerator(std::uint64_t seed) : m_random(seed) {}

    std::string text() {
        std::string out;
        for (int i = pick(1, 20); i > 0; --i) out += (chance(3) ? glue() : "") + token() + (chance(2) ? glue() : "");
        return out;
    }

    std::string token() {
        static const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        static const std::string kHex = "0123456789abcdef";
        switch (pick(0, 17)) {
        // clang-format off
        case 0: return oneOf({"hello", "token", "Bearer", "id", "user_name", "caf\u00E9", "x", "a[0]"});
        case 1: return run("0123456789", pick(1, 16));
        case 2: return run(kLetters + "+/", pick(4, 48)) + run("=", pick(0, 2));
        case 3: return "eyJ" + run(kLetters + "_-", pick(1, 20)) + "." + run(kLetters + "_-", pick(0, 20)) +
                       (chance(4) ? "" : "." + run(kLetters + "_-", pick(0, 20)));
        case 4: return (chance(3) ? "0x" : "") + run("0123456789abcdefABCDEF", pick(8, 40));
        case 5: return run(kHex, 8) + "-" + run(kHex, 4) + "-" + run(kHex, 4) + "-" + run("0123456789ABCDEF", 4) + "-" +
                       run(kHex, chance(3) ? pick(11, 13) : 12);
        case 6: return oneOf({"\u00E9", "\u0436\u0438", "\u4E2D\u6587", "\u0663\u0664", "e\u0301", "\U0001F600",
                              "\U0001F469\u200D\U0001F4BB", "\U00011F50"});
        case 7: return oneOf({"\u0301", "\u200B", "\u200D", "\u200C", "\u00AD", "\uFEFF"});
        case 8: return "k" + run("abc", pick(0, 3)) + "=" + run("xyz09%", pick(0, 5)) + "&v=" + run("12", pick(0, 3));
        case 9: return pem();
        case 10: return oneOf({"-", ".", "=", "/", "+", "_", "&", ":", "\"", "'", "<", ">", "\\", "$", ";", "%"});
        case 11: return run(kLetters + "_-", pick(20, 40));
        case 12: return std::to_string(1'600'000'000 + pick(0, 99'999'999)) + (chance(2) ? "123" : "");
        case 13: return run("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567", pick(8, 32)) + run("=", pick(0, 6));
        case 14: return oneOf({"\\u00e9", "\\x41", "\\uD83D", "\\u12", "\\x4", "&amp;", "&#233;", "&#x1F600;",
                               "&bogus;", "&#;", "&x;", "%41", "%e9", "%G1", "%4"});
        case 15: return oneOf({"$2b$12$", "$argon2id$v=19$m=65536,t=3,p=4$", "$6$", "$pbkdf2-sha256$29000$", "$9$"}) +
                        run(kLetters + "./", pick(0, 30)) + (chance(2) ? "$" + run(kLetters + "./", pick(1, 30)) : "");
        case 16: return oneOf({"-1.5e3", "+.5", "1e", "3.", "0.25", "1E+10", "+-1", ".5e-2", "12"});
        default: return oneOf({"\n", "\r\n", "\r", " ", "\u3000"});
            // clang-format on
        }
    }

    std::string glue() {
        return oneOf({" ",      "  ",     "\t",     "\n",     "\r\n",       "\r",     "\v",
                      "\f",     "\u0085", "\u00A0", "\u3000", "\u2028",     "\u2029", "\u0301",
                      "\u200B", "\u200D", "\u00AD", "\uFEFF", "\U0001F600", ",",      ".",
                      "=",      "-",      "(",      "\"",     "\u00E9",     "\u0436", "e\u0301"});
    }

    std::string pem() {
        const std::string label = oneOf({"CERTIFICATE", "PUBLIC KEY", "RSA PRIVATE KEY", "X509 CRL"});
        std::string body = chance(2) ? "\n" : "\r\n";
        for (int i = pick(0, 3); i > 0; --i) {
            body += run(kBase64, pick(1, 64)) + oneOf({"\n", "\r\n", " ", "\u0085", "==\n"});
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
    static constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string oneOf(std::initializer_list<std::string> choices) {
        return *(choices.begin() + pick(0, static_cast<int>(choices.size()) - 1));
    }
    std::string run(std::string_view alphabet, int length) {
        std::string out;
        while (length-- > 0) out += alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size() - 1)))];
        return out;
    }
    std::mt19937_64 m_random;
};

// Building blocks of the registered patterns on their own, where a difference cannot hide
// behind a literal.
const char* const kBuildingBlocks[] = {R"(\b)",  R"(\b\d+\b)", R"(\d+)",       R"([^\s&]+)",
                                       R"(\s$)", R"(x*)",      R"(([0-9])\1)", R"(\d{2,3}?)"};

// Contexts where ICU's \b, \s and $ differ from PCRE2's own.
// clang-format off
const std::vector<std::string> kAdversarialTexts = {
    "", "e\u0301abc", "-\u0301abc", "abc\u200B def", "abc\u00AD-", "abc\uFEFF\u0301\u200Bdef", ".\uFEFF\u0301\u200Bdef",
    "caf\u00E9", "\u0436id", "\u4E2D42\u6587", "\u300042\u3002", "ab \u0301", "a\r\n", "\r\n", "a \t\n", "abc\u2029",
    "x\U0001F600x"};
// clang-format on

struct Compared {
    std::string name;
    Regex regex;
    ICURegex icu;
    int hits = 0; // inputs on which ICU found a match
};

// The same answers from both engines: every match, the first with its groups, and matches().
void expectAgreement(Compared& compared, const std::string& text, int& failures) {
    std::vector<std::optional<TextRange>> groups;
    const std::vector<TextRange> expected = compared.icu.allMatches(text, groups);
    compared.hits += expected.empty() ? 0 : 1;
    const std::vector<TextRange> actual = compared.regex.allMatches(text);
    const auto first = compared.regex.firstMatch(text);
    const bool firstAgrees =
        first ? !expected.empty() && first->range == expected[0] && first->groups == groups : expected.empty();
    if ((actual != expected || !firstAgrees || compared.regex.matches(text) != !expected.empty()) && ++failures <= 10) {
        const auto [ours, icus] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
        const auto describe = [](auto at, auto end) {
            return at == end ? "none" : "[" + std::to_string(at->begin) + "," + std::to_string(at->end) + ")";
        };
        ADD_FAILURE() << compared.name << " on " << ::testing::PrintToString(text.substr(0, 300))
                      << "\nfirst difference: ICU " << describe(icus, expected.end()) << ", Regex "
                      << describe(ours, actual.end()) << (firstAgrees ? "" : "; the first match or its groups differ");
    }
}

TEST(PatternRegistry, EveryPatternCompilesOnceInBothEngines) {
    std::set<std::string_view> names;
    std::set<std::string_view> patterns;
    for (const Patterns::Entry& entry : Patterns::kAll) {
        EXPECT_TRUE(Patterns::compiled(entry.id).isValid()) << entry.name;
        EXPECT_TRUE(ICURegex(entry.pattern).pattern) << entry.name;
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(patterns.insert(entry.pattern).second) << entry.name << ": registered twice";
    }
}

// Every registered pattern and the building blocks on adversarial texts, on every scalar value in
// order (any character on which the sets written out or ICU's \b disagree, including characters
// newer than PCRE2's tables), then on generated log texts, armour blocks and lone tokens (what
// the whole-text patterns meet). With ASCII's meanings, the same on each text's ASCII bytes.
TEST(RegexICUDifferential, EveryPatternAgreesOnGeneratedInputs) {
    std::vector<Compared> compared;
    std::vector<Compared> forASCII;
    const auto add = [&](const std::string& name, std::string_view pattern) {
        compared.push_back({name, Regex(pattern), ICURegex(pattern)});
        forASCII.push_back({name + " (ASCII)", Regex(pattern, orvel::CharacterMeanings::ascii), ICURegex(pattern)});
    };
    for (const Patterns::Entry& entry : Patterns::kAll) add(std::string(entry.name), entry.pattern);
    for (const char* block : kBuildingBlocks) add(block, block);
    std::vector<std::string> inputs = kAdversarialTexts;
    // In slices: one 4 MB text would run into ICU's own backtracking stack limit. Planes 4 to 13
    // are unassigned and 15 and 16 private use throughout: one slice of each kind will do.
    for (char32_t first = 0; first <= 0x10FFFF; first += 0x2000) {
        const char32_t plane = first >> 16;
        if ((plane >= 4 && plane <= 13 && first != 0x50000) || (plane >= 15 && (first & 0xFFFF) != 0)) continue;
        std::string& slice = inputs.emplace_back();
        for (char32_t c = first; c < first + 0x2000; ++c) {
            if (c < 0xD800 || c > 0xDFFF) orvel::Unicode::appendUTF8(slice, c);
        }
    }
    TextGenerator generator(20240501);
    for (int i = 0; i < 3000; ++i) {
        std::string& text = inputs.emplace_back();
        if (i % 3 == 0) text = generator.text();
        for (int b = i % 3 == 1 ? generator.pick(0, 2) : -1; b >= 0; --b) text += generator.pem() + generator.glue();
        if (i % 3 == 2) {
            text = generator.chance(8) ? generator.glue() : "";
            text += generator.token() + (generator.chance(4) ? generator.glue() : "");
        }
    }
    int failures = 0;
    for (const std::string& input : inputs) {
        for (Compared& pattern : compared) expectAgreement(pattern, input, failures);
        std::string ascii;
        std::copy_if(input.begin(), input.end(), std::back_inserter(ascii),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        for (Compared& pattern : forASCII) expectAgreement(pattern, ascii, failures);
    }
    EXPECT_EQ(failures, 0);
    // The generator has to exercise every registered pattern, not just produce misses.
    for (std::size_t p = 0; p < Patterns::kAll.size(); ++p) EXPECT_GT(compared[p].hits, 20) << compared[p].name;
}

TEST(Regex, SyntaxOutsideTheSubsetIsRefusedNotMistranslated) {
    // ICU syntax the patterns never use (ICU reads it), then text neither engine reads as a pattern.
    const std::pair<std::vector<std::string>, bool> lists[] = {
        {{R"(\w+)",    "a.b",     "(?i)a",    "a(?=b)",    "(?<n>a)",   R"(\p{L})",     "[[:alpha:]]", "[a-z&&[aeiou]]",
          R"(\u00e9)", R"(\x41)", R"(\Qa\E)", R"((a)\12)", R"(\B)",     R"(\S)",        R"(a\Z)",      "\xC3\xA9",
          "a*+",       R"([\w])", "[-a]",     "[]a]",      R"(a\0101)", R"(\N{SPACE})", "[a--b]"},
         true},
        {{"(", "a)(", "[a-", "a\\", "(*CR)a", "(?C1)a", "[z-a]", "a{x", "a{,3}", "*a", R"(\2(a))", "a**"}, false}};
    for (const auto& [patterns, icuReadsThem] : lists) {
        for (const std::string& pattern : patterns) {
            EXPECT_EQ(ICURegex(pattern).pattern != nullptr, icuReadsThem) << pattern;
            const Regex regex(pattern);
            EXPECT_FALSE(regex.isValid() || regex.matches("a(b)aeiou") || regex.firstMatch("a(b)aeiou")) << pattern;
            EXPECT_EQ(regex.replaceAll("a(b)aeiou", "x"), "a(b)aeiou");
        }
    }
}

TEST(Regex, InvalidUTF8TextMatchesNothingAndReplacementsAreLiteral) {
    const Regex any("x*");
    for (const std::string text : {"\xFF", "abc\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(any.matches(text) || any.firstMatch(text) || !any.allMatches(text).empty()) << text;
        EXPECT_EQ(any.replaceAll(text, "x"), text);
    }
    EXPECT_EQ(Regex(R"((\d+))").replaceAll("a1b22", R"($1\)"), R"(a$1\b$1\)");
    EXPECT_EQ(any.replaceAll("a\u00E9", "-"), "-a-\u00E9-");
    // Inside a trusted text, only stretches from one character boundary to another go unchecked.
    const std::string trusted = "a\u00E9b";
    const orvel::TrustedText trust(*orvel::ValidText::of(trusted));
    const std::string_view view(trusted);
    for (const auto& [begin, end, valid] : {std::tuple(0, 4, true), std::tuple(1, 3, true), std::tuple(0, 2, false),
                                            std::tuple(2, 4, false), std::tuple(2, 3, false)}) {
        EXPECT_EQ(any.matches(view.substr(begin, end - begin)), valid) << begin << ".." << end;
    }
}

// Both sides of the backtracking budget: a lazy body over megabytes legitimately takes about a
// step per byte and still matches; a catastrophic pattern runs out and answers no match.
TEST(Regex, MatchLimitPassesLargeBodiesAndStopsCatastrophicPatterns) {
    std::string text = "-----BEGIN CERTIFICATE-----\n";
    while (text.size() < (3u << 20)) text += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2\n";
    text += "-----END CERTIFICATE-----\n";
    EXPECT_EQ(Patterns::compiled(Patterns::Id::pemArmour).firstMatch(text).value_or(orvel::RegexMatch{}).range,
              (TextRange{0, text.size() - 1}));
    EXPECT_FALSE(Regex("(a+)+$").matches(std::string(64, 'a') + "b"));
}

} // namespace
