// gzip members and zlib streams, wrapped in base64, base64url or hex. Inflation itself, and its
// output cap, are DeflateTest's.
#include <gtest/gtest.h>

#include "detectors/GzipDetector.h"
#include "detectors/ZlibDetector.h"
#include "support/Base64Encode.h"
#include "support/Deflater.h"
#include "support/Readings.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using testing::base64Encode;
using testing::compress;
using testing::declines;
using testing::expectReadings;
using testing::Framing;
using testing::readTestData;

constexpr std::string_view kInvoice = R"({"service":"billing","retry":[1,2,4],"path":"/v1/invoices","ok":false})";

// The golden corpus opens the real members under each wrapper: with a file name, in hex that
// also reads as base64 or base64url (the hex reading is the one that opens), and unpadded.
TEST(GzipDetector, DeclinesTruncatedForeignAndBinaryStreams) {
    const std::string member = compress(kInvoice, Framing::gzip);
    for (std::size_t length = 0; length < member.size(); ++length) {
        EXPECT_FALSE(GzipDetector().decode(base64Encode(member.substr(0, length)))) << length;
    }
    // Checksums are not verified: a wrong CRC-32 and ISIZE still decode.
    std::string wrongTrailer = member;
    for (std::size_t i = wrongTrailer.size() - 8; i < wrongTrailer.size(); ++i) wrongTrailer[i] ^= 0x5A;
    expectReadings(GzipDetector(), {{base64Encode(wrongTrailer), std::string(kInvoice)},
                                    {base64Encode(compress(kInvoice, Framing::zlib)), declines},
                                    {base64Encode(compress("\xFF\xFE binary, not UTF-8", Framing::gzip)), declines},
                                    {base64Encode(compress(std::string(100, '\x01'), Framing::gzip)), declines},
                                    {base64Encode(compress("", Framing::gzip)), declines}});
}

TEST(ZlibDetector, HeaderDecidesAndChecksumDoesNot) {
    // The golden corpus holds a stream of 64 bytes, which fills the attempt loop's first buffer.
    const std::string text = "a zlib stream with a header and an Adler-32";
    const std::string stream = compress(text, Framing::zlib);
    for (std::size_t length = 0; length < stream.size(); ++length) {
        EXPECT_FALSE(ZlibDetector().decode(base64Encode(stream.substr(0, length)))) << length;
    }
    // The Adler-32 and the window bits are not looked at; the header check must be a multiple of
    // 31, the method 8 and FDICT clear; and a gzip member is no zlib stream.
    std::string wrongAdler = stream;
    wrongAdler.back() ^= 0x01;
    expectReadings(ZlibDetector(), {{base64Encode(wrongAdler), text},
                                    {base64Encode(compress("a gzip member", Framing::gzip)), declines}});
    // clang-format off
    for (const auto& [header, opens] : {std::pair{"\x78\x9C", true}, {"\x08\x1D", true}, {"\x78\x9D", false},
                                        {"\x79\x9C", false}, {"\x78\x20", false}}) {
        // clang-format on
        EXPECT_EQ(ZlibDetector().decode(base64Encode(std::string(header) + stream.substr(2))).has_value(), opens)
            << header;
    }
}

} // namespace
} // namespace orvel
