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

} // namespace
} // namespace orvel
