#include "scan/BracketMatcher.h"

#include <memory>
#include <random>

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

namespace orvel {
namespace {

// The literal walk, character by character (ICU's grapheme clusters), quadratic and obvious.
std::vector<TextRange> literalJSONRanges(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    iterator->setText(utext, status);
    std::vector<std::size_t> starts;
    for (int32_t b = iterator->first(); b != icu::BreakIterator::DONE; b = iterator->next()) starts.push_back(static_cast<std::size_t>(b));
    utext_close(utext);
    std::vector<std::string_view> characters;
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) characters.push_back(text.substr(starts[i], starts[i + 1] - starts[i]));

    const auto balancedEnd = [&](std::size_t start) -> std::optional<std::size_t> {
        bool inString = false, escaped = false;
        long depth = 0;
        for (std::size_t i = start; i < characters.size(); ++i) {
            const std::string_view c = characters[i];
            if (inString) {
                if (escaped) escaped = false;
                else if (c == "\\") escaped = true;
                else if (c == "\"") inString = false;
            } else if (c == "\"") {
                inString = true;
            } else if (c == "{" || c == "[") {
                ++depth;
            } else if (c == "}" || c == "]") {
                if (--depth == 0) return i + 1;
                if (depth < 0) return std::nullopt;
            }
        }
        return std::nullopt;
    };

    std::vector<TextRange> ranges;
    for (std::size_t i = 0; i < characters.size();) {
        if (characters[i] == "{" || characters[i] == "[") {
            if (const auto end = balancedEnd(i)) {
                ranges.push_back({starts[i], starts[*end]});
                if (*end == characters.size()) break;
                i = *end;
                continue;
            }
        }
        ++i;
    }
    return ranges;
}

TEST(BracketMatcher, ProposesOutermostBalancedRuns) {
    EXPECT_TRUE(jsonRanges("").empty());
    EXPECT_EQ(jsonRanges("[INFO] {\"a\":[1,{\"b\":\"}\"}]} tail"), (std::vector<TextRange>{{0, 6}, {7, 26}}));
    // Shapes are not matched, strings and escapes are skipped, an unclosed opener is passed over.
    EXPECT_EQ(jsonRanges("{]"), (std::vector<TextRange>{{0, 2}}));
    EXPECT_EQ(jsonRanges(R"({"a\"}":1})"), (std::vector<TextRange>{{0, 10}}));
    EXPECT_EQ(jsonRanges("if (x) { y [1]"), (std::vector<TextRange>{{11, 14}}));
    EXPECT_EQ(jsonRanges("\"{}\""), (std::vector<TextRange>{{1, 3}}));  // the walk starts outside any string
    // A bracket fused with a combining mark is not a bracket.
    EXPECT_TRUE(jsonRanges("{\u0301}").empty());
    EXPECT_EQ(jsonRanges("[\"\\\u0301\"]"), (std::vector<TextRange>{{0, 7}}));
}

TEST(BracketMatcher, AgreesWithTheLiteralWalkOnGeneratedTexts) {
    const std::vector<std::string> pieces{"{", "}", "[", "]", "\"", "\\", "a", " ", ":", ",", "\n", "\r\n",
                                          "\u0301", "\u200d", "\u0600", "é", "🇫🇷", "日", "\\\"", "\"\\\\\""};
    std::mt19937 random(20261205);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
        ASSERT_EQ(jsonRanges(text), literalJSONRanges(text)) << text;
    }
}

TEST(BracketMatcher, StaysLinearOnUnmatchedOpeners) {
    // Quadratic walking would take minutes here; this is a correctness check that it returns.
    EXPECT_TRUE(jsonRanges(std::string(1 << 20, '{')).empty());
    const std::string nested = std::string(200'000, '[') + std::string(200'000, ']');
    EXPECT_EQ(jsonRanges(nested), (std::vector<TextRange>{{0, nested.size()}}));
}

} // namespace
} // namespace orvel
