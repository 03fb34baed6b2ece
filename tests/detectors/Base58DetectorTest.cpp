#include "detectors/Base58Detector.h"

#include <random>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "orvel/Orvel.h"

namespace orvel {
namespace {

constexpr std::string_view kAlphabet = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";

std::optional<DecodeResult> decode(std::string_view text) { return Base58Detector().decode(text); }

// The textbook decoder, one byte and one digit at a time, to hold the word-wise one against.
ByteString byteWiseDecode(std::string_view text) {
    ByteString littleEndian;
    for (const char c : text) {
        unsigned carry = static_cast<unsigned>(kAlphabet.find(c));
        for (auto& byte : littleEndian) {
            carry += byte * 58u;
            byte = static_cast<std::uint8_t>(carry);
            carry >>= 8;
        }
        for (; carry != 0; carry >>= 8) littleEndian.push_back(static_cast<std::uint8_t>(carry));
    }
    for (std::size_t i = 0; i < text.size() && text[i] == '1'; ++i) littleEndian.push_back(0);
    return ByteString(littleEndian.rbegin(), littleEndian.rend());
}

// The base58 text of `bytes`, for building inputs.
std::string base58Encode(std::string_view bytes) {
    std::vector<unsigned> digits; // least significant first
    for (const unsigned char byte : bytes) {
        unsigned carry = byte;
        for (auto& digit : digits) {
            carry += digit << 8;
            digit = carry % 58;
            carry /= 58;
        }
        for (; carry != 0; carry /= 58) digits.push_back(carry % 58);
    }
    std::string text(std::min(bytes.find_first_not_of('\0'), bytes.size()), '1');
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) text += kAlphabet[*digit];
    return text;
}

TEST(Base58Detector, DecodesReadableText) {
    const auto result = decode(" StV1DL6CwTryKyV\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::base58);
    EXPECT_EQ(result->output, "hello world");
    EXPECT_EQ(result->confidence, 0.5);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "Base58 → 11 bytes of text");
    EXPECT_EQ(result->details, (Details{{"bytes", "11"}}));
    EXPECT_EQ(decode("27CPBnkQrr53u7C6pQm1FR4VvkPr")->output, "Orvel speaks base58!");
    // A leading "1" is a zero byte: one control character in 28 is within the allowance.
    EXPECT_EQ(decode("14CQkZN8rFv6crKLEvQMwraVCa1ND92LBbTto")->output, std::string("\0hello world, and more text", 27));
}

TEST(Base58Detector, WordWiseDecodingMatchesTheTextbook) {
    std::mt19937 random(58);
    for (int round = 0; round < 400; ++round) {
        std::string text(static_cast<std::size_t>(round % 7 == 0 ? round % 3 : 0), '1');
        const std::size_t length = random() % 120;
        for (std::size_t i = 0; i < length; ++i) text += kAlphabet[random() % kAlphabet.size()];
        EXPECT_EQ(Base58Detector::base58Decode(text), byteWiseDecode(text)) << text;
    }
    EXPECT_EQ(Base58Detector::base58Decode(""), ByteString{});
    EXPECT_EQ(Base58Detector::base58Decode("111"), ByteString(3, 0));
    EXPECT_EQ(Base58Detector::base58Decode("zzzzz"), (ByteString{0x27, 0x1F, 0x35, 0x9F}));  // 58^5 - 1
    EXPECT_EQ(Base58Detector::base58Decode("211111"), (ByteString{0x27, 0x1F, 0x35, 0xA0})); // 58^5
    EXPECT_FALSE(Base58Detector::base58Decode("abc0"));
}

TEST(Base58Detector, DeclinesOutsideItsAlphabetAndLimits) {
    EXPECT_FALSE(decode("StV1DL6CwTryKy0")); // 0, O, I and l are not digits
    EXPECT_FALSE(decode("StV1DL6CwTryKyO"));
    EXPECT_FALSE(decode("StV1DL6CwTryKyI"));
    EXPECT_FALSE(decode("StV1DL6CwTryKyl"));
    EXPECT_FALSE(decode("123456789123")); // digits only
    EXPECT_FALSE(decode("2NEpo7T"));      // 7 characters
    EXPECT_EQ(decode("4xTUrvud74")->output, "hello!?");
    EXPECT_FALSE(decode("11111111")); // zero bytes only
    EXPECT_FALSE(decode("2222222222222222"));

    // At the cap a long text still decodes; one character more and it is not attempted. Leading
    // "1"s (zero bytes, under a tenth of the text) pad the encoding to the exact length.
    constexpr std::size_t cap = Limits::maxBase58InputBytes;
    const std::string message = [] {
        std::string text;
        while (text.size() < cap) text += "Base58 is quadratic to decode, so long input is capped. ";
        text.resize(cap * 100 / 137); // base58 needs about 1.366 characters per byte
        return text;
    }();
    std::string atCap = base58Encode(message);
    ASSERT_LE(atCap.size(), cap);
    atCap.insert(0, cap - atCap.size(), '1');
    const auto accepted = decode(atCap);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->output.substr(cap - base58Encode(message).size()), message);
    EXPECT_FALSE(decode("1" + atCap));
}

TEST(Base58Detector, YieldsToStrongerAlphabets) {
    // Unpadded base32 is written in base58's alphabet too; base32's 0.55 outranks base58's 0.5.
    EXPECT_EQ(inspect("NBSWY3DPEB3W64TMMQ").kinds(), std::vector{DetectionKind::base32});
    EXPECT_EQ(inspect("StV1DL6CwTryKyV").kinds(), std::vector{DetectionKind::base58});
}

} // namespace
} // namespace orvel
