#include "orvel/Deflate.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/Deflater.h"

namespace orvel {
namespace {

using testing::compress;
using testing::Framing;

ByteString bytesOf(std::string_view text) { return ByteString(text.begin(), text.end()); }

// A gzip member around `body`: magic, method, `flags`, `optional` header fields, the body, then a
// CRC-32 (never checked) and ISIZE.
ByteString gzipMember(std::uint8_t flags, std::string_view optional, std::string_view body, std::uint32_t isize) {
    ByteString member{0x1F, 0x8B, 8, flags, 0, 0, 0, 0, 0, 3};
    member.insert(member.end(), optional.begin(), optional.end());
    member.insert(member.end(), body.begin(), body.end());
    for (int i = 0; i < 4; ++i) member.push_back(0xEE);
    for (int shift = 0; shift < 32; shift += 8) member.push_back(static_cast<std::uint8_t>(isize >> shift));
    return member;
}

TEST(Deflate, StripGzipSkipsEveryOptionalHeaderField) {
    const std::string body = compress("hello, gzip", Framing::raw);
    const auto plain = Deflate::stripGzip(gzipMember(0, "", body, 11));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->body, bytesOf(body));
    EXPECT_EQ(plain->isize, 11u);
    EXPECT_EQ(Deflate::stripGzip(gzipMember(0, "", body, 0x04030201))->isize, 0x04030201u); // little-endian

    // FEXTRA (XLEN 3), FNAME, FCOMMENT and FHCRC together; FTEXT and reserved bits are ignored.
    const std::string optional =
        std::string("\x03\x00xyz", 5) + std::string("name.txt\0", 9) + std::string("a comment\0", 10) + "\xAB\xCD";
    const auto everything = Deflate::stripGzip(gzipMember(0x04 | 0x08 | 0x10 | 0x02 | 0x01 | 0xE0, optional, body, 11));
    ASSERT_TRUE(everything);
    EXPECT_EQ(everything->body, bytesOf(body));
}

TEST(Deflate, StripGzipDeclinesBadOrShortHeaders) {
    const std::string body = compress("hello, gzip", Framing::raw);
    ByteString member = gzipMember(0, "", body, 11);
    for (std::size_t at : {0u, 1u, 2u}) {
        ByteString broken = member;
        broken[at] ^= 0x01;
        EXPECT_FALSE(Deflate::stripGzip(broken)) << at;
    }
    EXPECT_FALSE(Deflate::stripGzip(ByteString(member.begin(), member.begin() + 17)));
    EXPECT_TRUE(Deflate::stripGzip(gzipMember(0, "", "", 0))); // 18 bytes: an empty body, for inflate to refuse
    // Fields that run past the end: a huge XLEN, a name without its terminator.
    EXPECT_FALSE(Deflate::stripGzip(gzipMember(0x04, "\xFF\xFF", body, 11)));
    EXPECT_FALSE(Deflate::stripGzip(gzipMember(0x08, "no terminator", "", 0)));
    EXPECT_FALSE(Deflate::stripGzip(gzipMember(0x08 | 0x10, std::string("name\0", 5), "", 0)));
}

TEST(Deflate, StripZlibChecksTheHeader) {
    const std::string stream = compress("hello, zlib", Framing::zlib);
    const auto body = Deflate::stripZlib(bytesOf(stream));
    ASSERT_TRUE(body);
    EXPECT_EQ(*body, bytesOf(stream.substr(2, stream.size() - 6)));

    EXPECT_FALSE(Deflate::stripZlib(bytesOf(stream.substr(0, 5))));
    EXPECT_TRUE(Deflate::stripZlib(ByteString{0x78, 0x9C, 0, 0, 0, 0}));
    EXPECT_FALSE(Deflate::stripZlib(ByteString{0x78, 0x9D, 0, 0, 0, 0})); // not a multiple of 31
    EXPECT_FALSE(Deflate::stripZlib(ByteString{0x79, 0x9C, 0, 0, 0, 0})); // method 9
    EXPECT_FALSE(Deflate::stripZlib(ByteString{0x78, 0x20, 0, 0, 0, 0})); // passes the check, but FDICT
    EXPECT_TRUE(Deflate::stripZlib(ByteString{0x08, 0x1D, 0, 0, 0, 0}));  // window bits are not looked at
}

TEST(Deflate, InflateAcceptsOnlyWholeNonEmptyStreams) {
    const std::string text = "The same words, the same words, the same words again.";
    const std::string stream = compress(text, Framing::raw);
    EXPECT_EQ(Deflate::inflate(bytesOf(stream), std::nullopt), bytesOf(text));

    EXPECT_FALSE(Deflate::inflate(ByteString{}, std::nullopt));
    EXPECT_FALSE(Deflate::inflate(bytesOf(compress("", Framing::raw)), std::nullopt)); // valid, but nothing
    EXPECT_FALSE(Deflate::inflate(ByteString{0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt));  // reserved block type
    for (std::size_t length = 1; length < stream.size(); ++length) {
        EXPECT_FALSE(Deflate::inflate(bytesOf(stream.substr(0, length)), std::nullopt)) << length;
    }
    // Bytes after the end of the stream are not looked at.
    EXPECT_EQ(Deflate::inflate(bytesOf(stream + "trailing"), std::nullopt), bytesOf(text));
}

TEST(Deflate, InflateIgnoresWhatTheHintClaims) {
    // The attempt loop grows past a wrong hint; its first buffers fill exactly at 64 and 256.
    for (std::size_t size : {63u, 64u, 65u, 256u, 1000u, 100'000u}) {
        const std::string text(size, 'x');
        const ByteString stream = bytesOf(compress(text, Framing::raw));
        for (const std::optional<std::uint64_t> hint :
             {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{1}, std::optional<std::uint64_t>{size},
              std::optional<std::uint64_t>{std::numeric_limits<std::uint32_t>::max()},
              std::optional<std::uint64_t>{std::numeric_limits<std::uint64_t>::max()}}) {
            const auto inflated = Deflate::inflate(stream, hint);
            ASSERT_TRUE(inflated) << size;
            EXPECT_EQ(inflated->size(), size);
        }
    }
}

TEST(Deflate, InflateStopsAtTheOutputCap) {
    constexpr std::size_t cap = Limits::maxInflatedBytesPerStep;
    static_assert(cap == std::size_t{64} << 18, "the cap is where the unhinted attempt loop gives up");
    const ByteString below = bytesOf(compress(std::string(cap - 1, 'a'), Framing::raw));
    const ByteString at = bytesOf(compress(std::string(cap, 'a'), Framing::raw));
    for (const std::optional<std::uint64_t> hint :
         {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{cap * 4}}) {
        const auto inflated = Deflate::inflate(below, hint);
        ASSERT_TRUE(inflated);
        EXPECT_EQ(inflated->size(), cap - 1);
        // A hint that promises room does not lift the cap.
        EXPECT_FALSE(Deflate::inflate(at, hint));
    }
    // A bomb stops at the cap rather than at its end.
    EXPECT_FALSE(Deflate::inflate(bytesOf(compress(std::string(1 << 20, 'a'), Framing::raw, 32)), std::nullopt));
}

} // namespace
} // namespace orvel
