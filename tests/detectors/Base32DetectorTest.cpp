#include "detectors/Base32Detector.h"

#include <gtest/gtest.h>

#include "support/TestData.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return Base32Detector().decode(text); }

ByteString bytesOf(std::string_view text) { return ByteString(text.begin(), text.end()); }

TEST(Base32Detector, DecodesCoreutilsOutputPaddedOrNot) {
    for (const char* fixture : {"base32-text.txt", "base32-text-unpadded.txt"}) {
        const auto result = decode(testing::readTestData(fixture) + "\n");
        ASSERT_TRUE(result) << fixture;
        EXPECT_EQ(result->kind, DetectionKind::base32);
        EXPECT_EQ(result->output, "Orvel reads base32 as well.");
        EXPECT_EQ(result->confidence, 0.55);
        EXPECT_FALSE(result->terminal);
        EXPECT_EQ(result->summary, "Base32 → 27 bytes of text");
        EXPECT_EQ(result->details, (Details{{"bytes", "27"}}));
    }
}

TEST(Base32Detector, PartialGroupsLoseTheirTrailingBits) {
    EXPECT_EQ(Base32Detector::base32Decode("NBSWY3DP"), bytesOf("hello"));  // 8 characters: 5 bytes
    EXPECT_EQ(Base32Detector::base32Decode("NBSWY3DPE"), bytesOf("hello")); // 9: still 5
    EXPECT_EQ(Base32Detector::base32Decode("NBSWY3DPEE======"), bytesOf("hello!"));
    EXPECT_EQ(Base32Detector::base32Decode("NB=SWY3DP"), bytesOf("hello")); // "=" is skipped anywhere
    EXPECT_EQ(Base32Detector::base32Decode(""), ByteString{});
    EXPECT_FALSE(Base32Detector::base32Decode("NBSWY3D1"));
    // The accumulator keeps only 64 bits; long input must not depend on the lost ones.
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "NBSWY3DP";
    EXPECT_EQ(Base32Detector::base32Decode(longText)->size(), 200u);
    EXPECT_EQ(decode(longText)->output.substr(195), "hello");
}

TEST(Base32Detector, DeclinesWhatTheExpressionOrTextTestRejects) {
    EXPECT_FALSE(decode("nbswy3dpeb3w64tmmq======")); // lower case
    EXPECT_TRUE(decode("NBSWY3DPEB3W64TMMQ======"));  // "hello world"
    EXPECT_TRUE(decode("NBSWY3DPEB3W64TMMQ"));
    EXPECT_FALSE(decode("NBSWY3DPEB3W64TMMQ=======")); // seven "="
    EXPECT_FALSE(decode("NBSWY3DPEB3=W64TMMQ"));
    EXPECT_FALSE(decode("NBSWY3D")); // 7 characters
    EXPECT_EQ(decode("NBSWY3DP")->output, "hello");
    EXPECT_FALSE(decode("AAAAAAAA")); // zero bytes
    EXPECT_FALSE(decode("77777777")); // not UTF-8
}

} // namespace
} // namespace orvel
