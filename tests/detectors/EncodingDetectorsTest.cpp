// The text encodings: base64, base32, base58, hex, percent-encoding, HTML entities and Unicode
// escapes. Each peels one layer and hands readable text on.
#include <random>

#include <gtest/gtest.h>

#include "detectors/Base32Detector.h"
#include "detectors/Base58Detector.h"
#include "detectors/Base64Detector.h"
#include "detectors/HTMLEntitiesDetector.h"
#include "detectors/HexDetector.h"
#include "detectors/URLEncodingDetector.h"
#include "detectors/UnicodeEscapeDetector.h"
#include "support/Base64Encode.h"
#include "support/Readings.h"
#include "support/TestData.h"
#include "text/Bytes.h"

namespace orvel {
namespace {

using testing::base64Encode;
using testing::declines;
using testing::expectDeclines;
using testing::expectReadings;

TEST(Base64Detector, AlphabetPaddingAndReadableTextDecide) {
    // The golden corpus holds a reading of each alphabet, counted in bytes.
    const std::string standard = base64Encode("which?? >>ok"); // "d2hpY2g/PyA+Pm9r": "+" and "/"
    // Letters and digits at a multiple of 4 are base64 too.
    expectReadings(Base64Detector(), {{"  aGVsbG8=\n", "hello"}, {"aGVsbG8gd29ybGQh", "hello world!"}});
    // Unpadded standard text, URL-safe text one character too long, the alphabets mixed, fewer
    // than 8 characters, digits only, and bytes that are binary, not UTF-8 or mostly control.
    expectDeclines(Base64Detector(),
                   {"aGVsbG8gd29ybGQhIQ", "aGVsbG8gd29ybGQh_", standard.substr(0, 8) + "-" + standard.substr(9),
                    "aGVsbA=", "12345678", "========", "aGVs bG8h",
                    base64Encode(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10)),
                    base64Encode("\xff\xfe\xfd\xfc\xfb\xfa"), base64Encode("abcdefgh\x01\x02"),
                    base64Encode(std::string(6, '\0'))});
}

// The golden corpus holds coreutils' output, padded and not.
TEST(Base32Detector, ReadsUpperCaseGroups) {
    std::string longText; // far more than the 64 bits the accumulator holds
    for (int i = 0; i < 40; ++i) longText += "NBSWY3DP";
    EXPECT_EQ(Base32Detector().decode(longText)->output.substr(195), "hello");
    // A partial group loses its trailing bits.
    expectReadings(Base32Detector(), {{"NBSWY3DPE", "hello"}, {"NBSWY3DPEE======", "hello!"}});
    // Lower case, seven "=", "=" inside, 7 characters, a digit outside the alphabet, zero bytes, not UTF-8.
    expectDeclines(Base32Detector(), {"nbswy3dpeb3w64tmmq======", "NBSWY3DPEB3W64TMMQ=======", "NBSWY3DPEB3=W64TMMQ",
                                      "NBSWY3D", "NBSWY3D1", "AAAAAAAA", "77777777"});
}

constexpr std::string_view kBase58Alphabet = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";

// The textbook decoder, one byte and one digit at a time, to hold the word-wise one against.
ByteString byteWiseBase58Decode(std::string_view text) {
    ByteString littleEndian;
    for (const char c : text) {
        unsigned carry = static_cast<unsigned>(kBase58Alphabet.find(c));
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

TEST(Base58Detector, WordWiseDecodingMatchesTheTextbookAndTheAlphabetDecides) {
    std::mt19937 random(58);
    for (int round = 0; round < 400; ++round) {
        std::string text(static_cast<std::size_t>(round % 7 == 0 ? round % 3 : 0), '1');
        const std::size_t length = random() % 120;
        for (std::size_t i = 0; i < length; ++i) text += kBase58Alphabet[random() % kBase58Alphabet.size()];
        EXPECT_EQ(Bytes::base58(text), byteWiseBase58Decode(text)) << text;
    }
    EXPECT_EQ(Bytes::base58("zzzzz"), (ByteString{0x27, 0x1F, 0x35, 0x9F}));  // 58^5 - 1
    EXPECT_EQ(Bytes::base58("211111"), (ByteString{0x27, 0x1F, 0x35, 0xA0})); // 58^5
    // A leading "1" is a zero byte: one control character in 28 is within the allowance.
    EXPECT_EQ(Base58Detector().decode("14CQkZN8rFv6crKLEvQMwraVCa1ND92LBbTto")->output,
              std::string("\0hello world, and more text", 27));
    // 0, O, I and l are not digits; digits only; 7 characters; zero bytes only; not text.
    expectDeclines(Base58Detector(), {"StV1DL6CwTryKy0", "StV1DL6CwTryKyO", "StV1DL6CwTryKyI", "StV1DL6CwTryKyl",
                                      "123456789123", "2NEpo7T", "11111111", "2222222222222222"});
}

TEST(HexDetector, PairsWithOrWithoutPrefixThatSpellText) {
    // One NUL in ten is allowed.
    expectReadings(HexDetector(), {{"0X6f72766C", "orvl"}, {"61626364656667686900", std::string("abcdefghi\0", 10)}});
    // Too short (the prefix does not count), odd, spaced, prefixed twice, half NUL, cut-off
    // UTF-8, and a digest, which is not text.
    expectDeclines(HexDetector(), {"6f7276", "0x6f7276", "6f72766c6", "6f 72 76 6c", "0x6f0x720x760x6c",
                                   "6f72766c00000000", "6f72766cc3", "d41d8cd98f00b204e9800998ecf8427e"});
}

TEST(URLEncodingDetector, DecodesOneLayerAsWritten) {
    // "+" stays "+", nothing is trimmed, one layer only; a whole escape does not excuse a broken one.
    // clang-format off
    expectReadings(URLEncodingDetector(),
                   {{"name=J%C3%BCrgen%20M%C3%BCller&q=a+b%2Fc", "name=Jürgen Müller&q=a+b/c"}, {" %41 \n", " A \n"},
                    {"%2520", "%20"}, {"%e2%86%92", "→"}, {"no escapes here", declines}, {"50% off, a%20b", declines}});
    // clang-format on
}

TEST(HTMLEntitiesDetector, ReplacesOneLayerOfResolvableReferences) {
    using testing::detail;
    expectReadings(HTMLEntitiesDetector(),
                   {{"&#65;&#x42;&#X43;&#x1F600;", "ABC\U0001F600"},
                    {"a&#0;b", std::string("a\0b", 3)},
                    {"&amp;lt;", "&lt;"}, // one layer per step: the engine peels the next
                    {"&unknown; &AMP; &amp;", "&unknown; &AMP; &"},
                    {"a & b; &copy;", "a & b; \u00A9"},   // the "&" reaches for the first ";" and fails
                    {"&x&amp;", "&x&"},                   // an "&" inside a failed name is examined in turn
                    {"\u0600&lt; &amp;", "\u0600&lt; &"}, // a prepended sign joins the "&" after it
                    {"&#xD800; &#xDFFF; &#1114112; &#1114111;", "&#xD800; &#xDFFF; &#1114112; \U0010FFFF"},
                    {"&#4294967296; &#x100000000; &#4294967295; &lt;", "&#4294967296; &#x100000000; &#4294967295; <"}});
    expectDeclines(HTMLEntitiesDetector(), {"&#xD800;", "&#1114112;", "&#x; & ; &#;", "no references here"});
    // A ";", "&" or "#" joined to a following mark (or variation selector, or joiner: all three
    // extend a character alike) is another character.
    expectReadings(HTMLEntitiesDetector(), {{"&lt;\u0301 &amp;", "&lt;\u0301 &"},
                                            {"&\u0301lt; &amp;", "&\u0301lt; &"},
                                            {"&#\u030165; &#x\u030141; &amp;", "&#\u030165; &#x\u030141; &"},
                                            {"&lt;\u0301", declines}});
    expectReadings(HTMLEntitiesDetector(), {{"&lt;\u0301 &amp;", "1"}}, detail("count"));
}

TEST(UnicodeEscapeDetector, DecodesWholeEscapesAsCodePoints) {
    expectReadings(UnicodeEscapeDetector(),
                   {{R"(\xc3\xa9)", "\u00C3\u00A9"}, // an x escape names a code point, not a UTF-8 byte
                    {R"({\"a\":\u0022x\u0022})", R"({\"a\":"x"})"},
                    {R"(\\u0041)", R"(\A)"},
                    {R"(\u0000)", std::string(1, '\0')},
                    {R"(\uD83D\uDE00 \u0041)", R"(\uD83D\uDE00 A)"}, // surrogates are never combined
                    {R"(\u0041 \u004)", R"(A \u004)"},
                    {R"(\x41\x4)", R"(A\x4)"},
                    {R"(\uD83D\uDE00)", declines},
                    {R"(\uZZZZ \xG1 \u+041 \u-041)", declines},
                    // Escapes are read as user-perceived characters: a mark joins the digit or backslash it follows.
                    {"\\u0041\u0301 \\u0042", "\\u0041\u0301 B"},
                    {"\\\u0301u0041 \\u0042", "\\\u0301u0041 B"},
                    {"\u0600\\u0041 \\u0042", "\u0600\\u0041 B"}, // a prepended sign joins the backslash after it
                    {"\U0001F600\\x41\U0001F600", "\U0001F600A\U0001F600"}});
}

TEST(EscapeDetectors, LongRunsStayLinear) {
    std::string entities;
    std::string escapes;
    for (int i = 0; i < 200'000; ++i) entities += "&amp;";
    for (int i = 0; i < 100'000; ++i) escapes += "\\u00e9";
    EXPECT_EQ(HTMLEntitiesDetector().decode(std::string(1 << 20, '&') + entities)->output,
              std::string((1 << 20) + 200'000, '&'));
    EXPECT_EQ(UnicodeEscapeDetector().decode(escapes)->details.at("count"), "100000");
    EXPECT_TRUE(UnicodeEscapeDetector().decode(std::string(1 << 20, '\\') + "\\x41"));
}

} // namespace
} // namespace orvel
