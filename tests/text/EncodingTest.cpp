// The byte codecs, text trimming and the DEFLATE framing the detectors build on.
#include "orvel/Limits.h"
#include "text/Bytes.h"
#include "text/Deflate.h"
#include "text/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/Deflater.h"

namespace orvel {
namespace {

using testing::compress;
using testing::Framing;
using Wrappers = std::vector<std::string>;
using namespace std::string_view_literals;

ByteString bytesOf(std::string_view text) { return ByteString(text.begin(), text.end()); }

TEST(Bytes, CodecsTakeTheirAlphabetAndLayoutOnly) {
    using Codec = std::optional<ByteString> (*)(std::string_view);
    const std::tuple<Codec, std::string_view, std::optional<std::string_view>> cases[] = {
        // clang-format off
        {Bytes::hex, "", ""}, {Bytes::hex, "0aFF", "\x0A\xFF"}, {Bytes::hex, "abc", {}}, {Bytes::hex, "0g", {}},
        {Bytes::base64, "aGk=", "hi"}, {Bytes::base64, "aA==", "h"}, {Bytes::base64, "", ""},
        {Bytes::base64, "+/+/", "\xFB\xFF\xBF"}, {Bytes::base64, "aGVsbG8", {}}, {Bytes::base64, "aGVs\nbG8=", {}},
        {Bytes::base64, "aG=sbG8=", {}}, {Bytes::base64, "a===", {}}, {Bytes::base64, "====", {}},
        {Bytes::base64, "aGVsbG8_", {}}, {Bytes::base64url, "aGVsbG8", "hello"}, {Bytes::base64url, "aA", "h"},
        {Bytes::base64url, "aGk=", "hi"}, {Bytes::base64url, "-_-_", "\xFB\xFF\xBF"}, {Bytes::base64url, "aGVsb", {}},
    };
    // clang-format on
    for (const auto& [codec, text, bytes] : cases) {
        EXPECT_EQ(codec(text), bytes ? std::optional(bytesOf(*bytes)) : std::nullopt) << text;
    }
    // Percent-decoding needs whole escapes, and UTF-8 once decoded.
    for (const char* broken : {"%", "%2", "a%zz", "%g1", "%E2%82", "%ff", "%+1"}) {
        EXPECT_FALSE(Bytes::percentDecoded(broken)) << broken;
    }
}

TEST(Bytes, WrappedCandidatesListEveryReadingInWrapperOrder) {
    // Hex digits are base64 letters too: hex of a length divisible by 4 reads three ways, and
    // only the last is the hex the user meant.
    const std::pair<std::string_view, Wrappers> cases[] = {
        // clang-format off
        {" 1f8b0800000000000003\n", {"base64", "base64url", "hex"}}, {"1f8b08000000000003", {"base64url", "hex"}},
        {" aGVsbG8gd29ybGQ=\n", {"base64", "base64url"}}, {"aGVsbG8gd29y+A==", {"base64"}},
        {"aGVsbG8gd29y-A", {"base64url"}}, {"aGVsbG8", {}}, {"  aGk=  ", {}}, {"0123456789abcdef0", {}},
        {"aGVsbG8gd29ybA===", {}}, {"aGVs=G8gd29ybGQ=", {}}, {"========", {}}, {"not a wrapper at all", {}},
    };
    // clang-format on
    for (const auto& [text, expected] : cases) {
        Wrappers wrappers;
        for (const auto& reading : Bytes::wrappedCandidates(text)) wrappers.push_back(reading.wrapper);
        EXPECT_EQ(wrappers, expected) << text;
        EXPECT_EQ(Bytes::fromWrapper(text).has_value(), !expected.empty()) << text;
    }
    // An opening test leaves out the readings whose first bytes cannot be the container: here the
    // two that read the hex digits as base64.
    const Bytes::OpeningTest gzipMagic = [](std::span<const std::uint8_t> head) {
        return head.size() >= 2 && head[0] == 0x1F && head[1] == 0x8B;
    };
    const auto readings = Bytes::wrappedCandidates(" 1f8b0800000000000003\n", gzipMagic);
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].data, (ByteString{0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0x03}));
}

TEST(Text, PrintableShareIsAtLeastNinetyPercentOfScalars) {
    // Scalars, not bytes: one emoji and one control are 50 %, not 80 %; everything from U+0080 up counts.
    // clang-format off
    const std::pair<std::string, bool> cases[] = {
        {"", false}, {"abc", true}, {"abcdefghi\x01", true}, {"abcdefgh\x01\x01", false}, {"\t\n\r", true},
        {"\x7f", false}, {std::string(1, '\0'), false}, {"\U0001F600\x01", false}, {"\u00e9\U0001F600\u0085", true}};
    // clang-format on
    for (const auto& [text, printable] : cases) EXPECT_EQ(Text::looksLikePrintableText(text), printable) << text;
}

TEST(Text, TrimsOnlyWhatEachTrimNames) {
    // Zero-width space and BOM are format characters, not white space; the engine's first pass
    // shows the Unicode blanks trimmed, and the YAML reader the spaces and tabs.
    EXPECT_EQ(Text::trimmed(" \v\f a b \u0085\u2029\u2003"), "a b");
    EXPECT_EQ(Text::trimmed(std::string("\u200b\0x\0\ufeff", 9)), std::string("\u200b\0x\0\ufeff", 9));
    EXPECT_EQ(Text::trimmedOfSpacesAndTabs(" \t a\u00a0b \n\t "), "a\u00a0b \n");
}

TEST(Text, DecimalIntegerTakesOneSignAndSixtyFourBits) {
    // clang-format off
    const std::pair<std::string_view, std::optional<std::int64_t>> cases[] = {
        {"0", 0}, {"+5", 5}, {"-5", -5}, {"007", 7}, {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN}, {"9223372036854775808", {}}, {"-9223372036854775809", {}},
        {"+-5", {}}, {"-+5", {}}, {"+", {}}, {"-", {}}, {"", {}}, {" 5", {}}, {"5 ", {}}, {"1e3", {}}, {"0x1", {}}};
    // clang-format on
    for (const auto& [text, value] : cases) EXPECT_EQ(Text::decimalInteger(text), value) << text;
}

// A gzip member around `body`: magic, method, `flags`, `optional` header fields, the body, then a
// CRC-32 (never checked) and ISIZE.
ByteString gzipMember(std::uint8_t flags, std::string_view optional, std::string_view body, std::uint32_t isize) {
    ByteString member{0x1F, 0x8B, 8, flags, 0, 0, 0, 0, 0, 3};
    for (const std::string_view part : {optional, body, "\xEE\xEE\xEE\xEE"sv}) {
        member.insert(member.end(), part.begin(), part.end());
    }
    for (int shift = 0; shift < 32; shift += 8) member.push_back(static_cast<std::uint8_t>(isize >> shift));
    return member;
}

TEST(Deflate, StripGzipReadsEveryOptionalHeaderFieldAndNoMore) {
    const std::string body = compress("hello, gzip", Framing::raw);
    const ByteString member = gzipMember(0, "", body, 0x04030201);
    EXPECT_EQ(Deflate::stripGzip(member)->body, bytesOf(body));
    EXPECT_EQ(Deflate::stripGzip(member)->isize, 0x04030201u); // little-endian
    // FEXTRA (XLEN 3), FNAME, FCOMMENT and FHCRC together; FTEXT and reserved bits are ignored.
    // clang-format off
    const std::string optional = std::string("\x03\x00xyz" "name.txt\0" "a comment\0" "\xAB\xCD", 26);
    // clang-format on
    EXPECT_EQ(Deflate::stripGzip(gzipMember(0x04 | 0x08 | 0x10 | 0x02 | 0x01 | 0xE0, optional, body, 11))->body,
              bytesOf(body));
    for (std::size_t at : {0u, 1u, 2u}) {
        ByteString broken = member;
        broken[at] ^= 0x01;
        EXPECT_FALSE(Deflate::stripGzip(broken)) << at;
    }
    // 17 bytes are too few; 18 are an empty body, for inflate to refuse.
    EXPECT_FALSE(Deflate::stripGzip(ByteString(member.begin(), member.begin() + 17)));
    EXPECT_TRUE(Deflate::stripGzip(gzipMember(0, "", "", 0)));
    // Fields that run past the end: a huge XLEN, a name or comment without its terminator.
    EXPECT_FALSE(Deflate::stripGzip(gzipMember(0x04, "\xFF\xFF", body, 11)) ||
                 Deflate::stripGzip(gzipMember(0x08, "no terminator", "", 0)) ||
                 Deflate::stripGzip(gzipMember(0x08 | 0x10, std::string("name\0", 5), "", 0)));
}

// The zlib header, and inflation of whole and cut streams, are the compression detectors' tests.
TEST(Deflate, InflateIgnoresWhatTheHintClaimsButNeverPassesTheCap) {
    // The attempt loop grows past a wrong hint; its first buffers fill exactly at 64 and 256.
    using Hint = std::optional<std::uint64_t>;
    for (std::size_t size : {63u, 64u, 65u, 256u, 1000u, 100'000u}) {
        const ByteString stream = bytesOf(compress(std::string(size, 'x'), Framing::raw));
        for (const Hint hint : {Hint{}, Hint{1}, Hint{size}, Hint{UINT32_MAX}, Hint{UINT64_MAX}}) {
            EXPECT_EQ(Deflate::inflate(stream, hint).value_or(ByteString{}).size(), size);
        }
    }
    constexpr std::size_t cap = Limits::maxInflatedBytesPerStep;
    static_assert(cap == std::size_t{64} << 18, "the cap is where the unhinted attempt loop gives up");
    const ByteString below = bytesOf(compress(std::string(cap - 1, 'a'), Framing::raw));
    const ByteString at = bytesOf(compress(std::string(cap, 'a'), Framing::raw));
    for (const Hint hint : {Hint{}, Hint{cap * 4}}) { // a hint that promises room does not lift the cap
        EXPECT_EQ(Deflate::inflate(below, hint).value_or(ByteString{}).size(), cap - 1);
        EXPECT_FALSE(Deflate::inflate(at, hint));
    }
    // A bomb stops at the cap rather than at its end.
    EXPECT_FALSE(Deflate::inflate(bytesOf(compress(std::string(1 << 20, 'a'), Framing::raw, 32)), std::nullopt));
}

} // namespace
} // namespace orvel
