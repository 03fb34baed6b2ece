#include "orvel/Bytes.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

ByteString bytesOf(std::string_view text) { return ByteString(text.begin(), text.end()); }

TEST(Bytes, HexNeedsPairsOfDigits) {
    EXPECT_EQ(Bytes::hex(""), ByteString{});
    EXPECT_FALSE(Bytes::hex("abc"));
    EXPECT_EQ(Bytes::hex("0aFF"), (ByteString{0x0A, 0xFF}));
    EXPECT_FALSE(Bytes::hex("0g"));
    EXPECT_FALSE(Bytes::hex("0 "));
}

TEST(Bytes, StrictBase64RequiresPaddingAndAlphabet) {
    EXPECT_EQ(Bytes::base64("aGVsbG8="), bytesOf("hello"));
    EXPECT_EQ(Bytes::base64("aGk="), bytesOf("hi"));
    EXPECT_EQ(Bytes::base64("aA=="), bytesOf("h"));
    EXPECT_EQ(Bytes::base64(""), ByteString{});
    EXPECT_EQ(Bytes::base64("+/+/"), (ByteString{0xFB, 0xFF, 0xBF}));
    EXPECT_FALSE(Bytes::base64("aGVsbG8"));     // unpadded
    EXPECT_FALSE(Bytes::base64("aGVs\nbG8="));  // line break
    EXPECT_FALSE(Bytes::base64("aGVs bG8="));
    EXPECT_FALSE(Bytes::base64("aG=sbG8="));    // "=" inside
    EXPECT_FALSE(Bytes::base64("a==="));
    EXPECT_FALSE(Bytes::base64("===="));
    EXPECT_FALSE(Bytes::base64("aGVsbG8_"));    // URL-safe letter
}

TEST(Bytes, Base64urlAddsMissingPadding) {
    EXPECT_EQ(Bytes::base64url("aGVsbG8"), bytesOf("hello"));
    EXPECT_EQ(Bytes::base64url("aGk"), bytesOf("hi"));
    EXPECT_EQ(Bytes::base64url("aA"), bytesOf("h"));
    EXPECT_EQ(Bytes::base64url("-_-_"), (ByteString{0xFB, 0xFF, 0xBF}));
    EXPECT_EQ(Bytes::base64url("aGk="), bytesOf("hi"));
    EXPECT_FALSE(Bytes::base64url("aGVsb"));    // remainder 1
}

TEST(Bytes, FromWrapperTriesBase64ThenBase64urlThenHex) {
    EXPECT_FALSE(Bytes::fromWrapper("aGVsbG8"));  // 7 characters
    EXPECT_FALSE(Bytes::fromWrapper("  aGk=  "));

    const auto padded = Bytes::fromWrapper(" aGVsbG8gd29ybGQ=\n");
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->wrapper, "base64");
    EXPECT_EQ(padded->data, bytesOf("hello world"));

    const auto unpadded = Bytes::fromWrapper("aGVsbG8gd2");  // letters and digits, 10 characters
    ASSERT_TRUE(unpadded);
    EXPECT_EQ(unpadded->wrapper, "base64url");

    const auto digits = Bytes::fromWrapper("0123456789abcdef");  // valid padded base64 as well
    ASSERT_TRUE(digits);
    EXPECT_EQ(digits->wrapper, "base64");

    // Hex digits are base64 letters too, so an even-length hex text is always claimed by one of
    // the base64 forms first: length 20 as padded base64, length 18 as base64url.
    EXPECT_EQ(Bytes::fromWrapper("1f8b0800000000000003")->wrapper, "base64");
    EXPECT_EQ(Bytes::fromWrapper("1f8b08000000000003")->wrapper, "base64url");
    EXPECT_FALSE(Bytes::fromWrapper("0123456789abcdef0"));  // remainder 1: no base64 form, odd hex
    EXPECT_FALSE(Bytes::fromWrapper("not a wrapper at all"));
}

TEST(Bytes, WrappedCandidatesListEveryReadingInWrapperOrder) {
    const auto wrappers = [](std::string_view text) {
        std::vector<std::string> names;
        for (const auto& reading : Bytes::wrappedCandidates(text)) names.push_back(reading.wrapper);
        return names;
    };
    // Hex of a length divisible by 4 reads three ways; only the last is the hex the user meant.
    const auto all = Bytes::wrappedCandidates(" 1f8b0800000000000003\n");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].wrapper, "base64");
    EXPECT_EQ(all[1].wrapper, "base64url");
    EXPECT_EQ(all[1].data, all[0].data);
    EXPECT_EQ(all[2].wrapper, "hex");
    EXPECT_EQ(all[2].data, (ByteString{0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0x03}));
    EXPECT_EQ(wrappers("1f8b08000000000003"), (std::vector<std::string>{"base64url", "hex"}));

    EXPECT_EQ(wrappers("aGVsbG8gd29ybGQ="), (std::vector<std::string>{"base64", "base64url"}));
    EXPECT_EQ(wrappers("aGVsbG8gd29y+A=="), std::vector<std::string>{"base64"});
    EXPECT_EQ(wrappers("aGVsbG8gd29y-A"), std::vector<std::string>{"base64url"});
    EXPECT_TRUE(wrappers("aGVsbG8").empty());
    EXPECT_TRUE(wrappers("0123456789abcdef0").empty());
    EXPECT_TRUE(wrappers("aGVsbG8gd29ybA===").empty());  // three "=" are no padding
    EXPECT_TRUE(wrappers("aGVs=G8gd29ybGQ=").empty());   // nor is one inside
    EXPECT_TRUE(wrappers("========").empty());
    // The first reading is always the one fromWrapper picks.
    for (const std::string_view text : {"aGVsbG8gd2", "1f8b0800000000000003", "aGVsbG8gd29y-A"}) {
        EXPECT_EQ(Bytes::wrappedCandidates(text).front().data, Bytes::fromWrapper(text)->data) << text;
    }
}

TEST(Bytes, OpeningTestLeavesOutReadingsThatCannotBeTheContainer) {
    const Bytes::OpeningTest gzipMagic = [](std::span<const std::uint8_t> head) {
        return head.size() >= 2 && head[0] == 0x1F && head[1] == 0x8B;
    };
    const auto hexGzip = Bytes::wrappedCandidates(" 1f8b0800000000000003\n", gzipMagic);
    ASSERT_EQ(hexGzip.size(), 1u);
    EXPECT_EQ(hexGzip[0].wrapper, "hex");
    const auto base64Gzip = Bytes::wrappedCandidates("H4sIAAAAAAAAAw==", gzipMagic);
    ASSERT_EQ(base64Gzip.size(), 2u);
    EXPECT_EQ(base64Gzip[0].data, (ByteString{0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0x03}));
    EXPECT_TRUE(Bytes::wrappedCandidates("aGVsbG8gd29ybGQ=", gzipMagic).empty());
}

TEST(Bytes, PercentDecodingNeedsWholeEscapesAndUTF8) {
    EXPECT_EQ(Bytes::percentDecoded("a%2Fb%3d%20c+d"), "a/b= c+d");
    EXPECT_EQ(Bytes::percentDecoded("%E2%82%AC"), "\u20AC");
    EXPECT_EQ(Bytes::percentDecoded("%2525"), "%25");  // decoded once
    EXPECT_EQ(Bytes::percentDecoded(""), "");
    for (const char* broken : {"%", "%2", "a%zz", "%g1", "%E2%82", "%ff", "%+1"}) {
        EXPECT_FALSE(Bytes::percentDecoded(broken)) << broken;
    }
}

} // namespace
} // namespace orvel
