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

std::string hexEncode(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) (hex += digits[byte >> 4]) += digits[byte & 15];
    return hex;
}

TEST(GzipDetector, OpensRealMembersUnderEachWrapper) {
    // A stored file name and modification time change nothing. 87 stream bytes give 174 hex
    // digits, which also read as base64url, and 92 give 184, which also read as padded base64;
    // either way the hex reading is the one that opens. The golden corpus holds the summaries of
    // base64 and hex.
    expectReadings(GzipDetector(),
                   {{readTestData("gzip-json-fname.b64"), std::string(kInvoice)},
                    {readTestData("gzip-json-87-bytes.hex"), std::string(kInvoice)},
                    {readTestData("gzip-json-92-bytes.hex"),
                     R"({"service":"billing","retry":[1,2,4,8,16],"path":"/v1/invoices","ok":false})"}});
    expectReadings(GzipDetector(), {{readTestData("gzip-json-unpadded.b64url"), "gzip (base64url) → 72 bytes"}},
                   &DecodeResult::summary);
}

TEST(GzipDetector, DeclinesTruncatedForeignAndBinaryStreams) {
    const std::string member = compress(kInvoice, Framing::gzip);
    for (std::size_t length = 0; length < member.size(); ++length) {
        EXPECT_FALSE(GzipDetector().decode(base64Encode(member.substr(0, length)))) << length;
        EXPECT_FALSE(GzipDetector().decode(hexEncode(member.substr(0, length)))) << length;
    }
    // Checksums are not verified: a wrong CRC-32 and ISIZE still decode.
    std::string wrongTrailer = member;
    for (std::size_t i = wrongTrailer.size() - 8; i < wrongTrailer.size(); ++i) wrongTrailer[i] ^= 0x5A;
    std::string binary;
    for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
    expectReadings(GzipDetector(), {{base64Encode(wrongTrailer), std::string(kInvoice)},
                                    {base64Encode(compress(kInvoice, Framing::zlib)), declines},
                                    {base64Encode(compress(binary, Framing::gzip)), declines},
                                    {base64Encode(compress(std::string(100, '\x01'), Framing::gzip)), declines},
                                    {base64Encode(compress("", Framing::gzip)), declines}});
}

TEST(ZlibDetector, HeaderDecidesAndChecksumDoesNot) {
    // 64 bytes fill the first buffer of the attempt loop exactly; the second attempt confirms.
    EXPECT_EQ(ZlibDetector().decode(readTestData("zlib-64-bytes.b64"))->output,
              "Orvel inflates zlib streams of exactly sixty-four bytes, see?!?\n");
    const std::string text = "a zlib stream with a header and an Adler-32";
    const std::string stream = compress(text, Framing::zlib);
    for (std::size_t length = 0; length < stream.size(); ++length) {
        EXPECT_FALSE(ZlibDetector().decode(base64Encode(stream.substr(0, length)))) << length;
    }
    // A wrong Adler-32 still decodes; a header check that is no multiple of 31, or a preset
    // dictionary (0x7820 is a multiple of 31), does not.
    std::string wrongAdler = stream, notMultipleOf31 = stream, presetDictionary = stream;
    wrongAdler.back() ^= 0x01;
    notMultipleOf31[1] = static_cast<char>(notMultipleOf31[1] + 1);
    presetDictionary.replace(0, 2, "\x78\x20");
    expectReadings(ZlibDetector(),
                   {{base64Encode(wrongAdler), text},
                    {base64Encode(notMultipleOf31), declines},
                    {base64Encode(presetDictionary), declines},
                    {base64Encode(compress("a gzip member is not a zlib stream", Framing::gzip)), declines}});
}

} // namespace
} // namespace orvel
