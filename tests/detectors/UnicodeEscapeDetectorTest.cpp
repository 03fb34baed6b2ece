#include "detectors/UnicodeEscapeDetector.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return UnicodeEscapeDetector().decode(text); }

TEST(UnicodeEscapeDetector, DecodesUAndXEscapesAsCodePoints) {
    const auto ab = decode(R"(\u0041\u0042)");
    ASSERT_TRUE(ab);
    EXPECT_EQ(ab->kind, DetectionKind::unicodeEscape);
    EXPECT_EQ(ab->output, "AB");
    EXPECT_EQ(ab->confidence, 0.8);
    EXPECT_FALSE(ab->terminal);
    EXPECT_EQ(ab->summary, "Unicode escapes (2 decoded)");
    EXPECT_EQ(ab->details, (Details{{"count", "2"}}));

    EXPECT_EQ(decode(R"(caf\u00e9 \u00E9)")->output, "caf\u00E9 \u00E9");
    // An x escape names a code point, not a UTF-8 byte.
    EXPECT_EQ(decode(R"(\xc3\xa9)")->output, "\u00C3\u00A9");
    EXPECT_EQ(decode(R"({\"a\":\u0022x\u0022})")->output, R"({\"a\":"x"})");
    EXPECT_EQ(decode(R"(\\u0041)")->output, R"(\A)");
    EXPECT_EQ(decode(R"(\u0000)")->output, std::string(1, '\0'));
}

TEST(UnicodeEscapeDetector, MalformedEscapesStayAsWritten) {
    // Surrogates are never combined.
    EXPECT_FALSE(decode(R"(\uD83D\uDE00)"));
    EXPECT_EQ(decode(R"(\uD83D\uDE00 \u0041)")->output, R"(\uD83D\uDE00 A)");
    EXPECT_EQ(decode(R"(\u0041 \u004)")->output, R"(A \u004)");
    EXPECT_EQ(decode(R"(\x41\x4)")->output, R"(A\x4)");
    EXPECT_FALSE(decode(R"(\uZZZZ \xG1 \u+041 \u-041)"));
    EXPECT_FALSE(decode("plain text"));
    EXPECT_FALSE(decode(""));
}

TEST(UnicodeEscapeDetector, EscapesAreReadAsUserPerceivedCharacters) {
    // A combining mark on the last digit makes "1" + U+0301 one character, not a hex digit.
    EXPECT_EQ(decode("\\u0041\u0301 \\u0042")->output, "\\u0041\u0301 B");
    // A combining mark on the backslash: that character is not a backslash.
    EXPECT_EQ(decode("\\\u0301u0041 \\u0042")->output, "\\\u0301u0041 B");
    // U+0600 (a prepended concatenation mark) joins the backslash that follows it.
    EXPECT_EQ(decode("\u0600\\u0041 \\u0042")->output, "\u0600\\u0041 B");
    // Non-ASCII neighbours that do not join leave the escape whole.
    EXPECT_EQ(decode("\u00E9\\u0041\u00E9")->output, "\u00E9A\u00E9");
    EXPECT_EQ(decode("\U0001F600\\x41\U0001F600")->output, "\U0001F600A\U0001F600");
}

TEST(UnicodeEscapeDetector, LongInputsStayLinear) {
    std::string escaped;
    for (int i = 0; i < 100'000; ++i) escaped += "\\u00e9";
    const auto result = decode(escaped);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->details.at("count"), "100000");
    EXPECT_TRUE(decode(std::string(1 << 20, '\\') + "\\x41"));
}

} // namespace
} // namespace orvel
