#include "detectors/HexDetector.h"

#include <gtest/gtest.h>

#include "orvel/Orvel.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return HexDetector().decode(text); }

TEST(HexDetector, DecodesPairsWithOrWithoutPrefix) {
    const auto result = decode(" 68656c6c6f20776f726c64\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::hex);
    EXPECT_EQ(result->output, "hello world");
    EXPECT_EQ(result->confidence, 0.6);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "Hex → 11 bytes of text");
    EXPECT_EQ(result->details, (Details{{"bytes", "11"}}));

    EXPECT_EQ(decode("6f72766c")->output, "orvl");
    EXPECT_EQ(decode("0x6F72766C")->summary, "Hex → 4 bytes of text");
    EXPECT_EQ(decode("0X6f72766C")->output, "orvl");
    EXPECT_EQ(decode("c3a9c3a9c3a9")->summary, "Hex → 6 bytes of text"); // "ééé": bytes, not characters
}

TEST(HexDetector, DeclinesShortOddSpacedAndBinary) {
    EXPECT_FALSE(decode("6f7276"));
    EXPECT_FALSE(decode("0x6f7276")); // the prefix does not count
    EXPECT_FALSE(decode("6f72766c6"));
    EXPECT_FALSE(decode("6f 72 76 6c"));
    EXPECT_FALSE(decode("0x6f0x720x760x6c"));
    EXPECT_FALSE(decode("6f72766c00000000"));                 // half the characters are NUL
    EXPECT_FALSE(decode("6f72766cc3"));                       // cut-off UTF-8
    EXPECT_FALSE(decode("d41d8cd98f00b204e9800998ecf8427e")); // a digest is not text
    EXPECT_TRUE(decode("61626364656667686900"));              // one NUL in ten is allowed
}

TEST(HexDetector, YieldsToBase64OnTextBothRead) {
    // "6162636465666768" is also padded base64, of bytes that are not UTF-8: hex takes it.
    EXPECT_EQ(inspect("6162636465666768").kinds(), std::vector{DetectionKind::hex});
    // "662e3a426521" is hex of f.:Be! and base64 of Hangul and Arabic letters: base64's 0.7 wins.
    ASSERT_TRUE(decode("662e3a426521"));
    EXPECT_EQ(inspect("662e3a426521").kinds(), std::vector{DetectionKind::base64});
}

} // namespace
} // namespace orvel
