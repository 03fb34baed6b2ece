#include "detectors/Base64Detector.h"

#include <gtest/gtest.h>

#include "support/Base64Encode.h"

namespace orvel {
namespace {

using testing::base64Encode;

std::optional<DecodeResult> decode(std::string_view text) { return Base64Detector().decode(text); }

TEST(Base64Detector, PaddedStandardTextCountsDecodedBytes) {
    const std::string text = "Grüße aus Köln 🎉";  // multi-byte UTF-8
    const auto result = decode("  " + base64Encode(text) + "\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::base64);
    EXPECT_EQ(result->output, text);
    EXPECT_EQ(result->confidence, 0.7);
    EXPECT_FALSE(result->terminal);
    const std::string bytes = std::to_string(text.size());
    EXPECT_EQ(result->summary, "Base64 → " + bytes + " bytes of text");
    EXPECT_EQ(result->details, (Details{{"bytes", bytes}}));
}

TEST(Base64Detector, AlphabetAndPaddingDecideThePath) {
    const std::string text = "which?? >>ok";  // encodes with "+" and "/" in the standard alphabet
    const std::string standard = base64Encode(text);
    ASSERT_NE(standard.find_first_of("+/"), std::string::npos);
    ASSERT_NE(standard.back(), '=');

    EXPECT_FALSE(decode(base64Encode("hello world!?", false, false)));  // unpadded standard declines

    const std::string urlSafe = base64Encode(text, true, false);
    ASSERT_NE(urlSafe.find_first_of("-_"), std::string::npos);
    const auto url = decode(urlSafe);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->kind, DetectionKind::base64url);
    EXPECT_EQ(url->output, text);
    EXPECT_EQ(url->summary, "Base64url → 12 bytes of text");

    // Mixing the alphabets fails the URL-safe expression.
    EXPECT_FALSE(decode(standard.substr(0, 8) + "-" + standard.substr(9)));
    // Letters and digits only: decoded only at a multiple of 4 (padded standard form).
    EXPECT_TRUE(decode("aGVsbG8gd29ybGQh"));       // 16: "hello world!"
    EXPECT_FALSE(decode("aGVsbG8gd29ybGQhIQ"));    // 18, no padding, no "-" or "_"
    EXPECT_FALSE(decode("aGVsbG8gd29ybGQh_"));     // URL-safe, remainder 1
}

TEST(Base64Detector, DeclinesWhatIsNotReadableText) {
    EXPECT_TRUE(decode("aGVsbG8="));   // 8 characters: "hello"
    EXPECT_FALSE(decode("aGVsbA="));   // 7 characters
    EXPECT_FALSE(decode("aGVsbG8"));
    EXPECT_FALSE(decode("1700000000123"));  // digits only, though valid base64 length
    EXPECT_FALSE(decode("12345678"));
    EXPECT_FALSE(decode(base64Encode(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10))));  // gzip header
    EXPECT_FALSE(decode(base64Encode("\xff\xfe\xfd\xfc\xfb\xfa")));  // not UTF-8
    EXPECT_FALSE(decode(base64Encode("abcdefgh\x01\x02")));           // 20 % control characters
    EXPECT_FALSE(decode(base64Encode(std::string("\0\0\0\0\0\0", 6))));
    EXPECT_FALSE(decode("========"));
    EXPECT_FALSE(decode("aGVs bG8h"));
}

} // namespace
} // namespace orvel
