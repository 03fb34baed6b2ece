#include "detectors/GzipDetector.h"

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/Deflater.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using testing::base64Encode;
using testing::compress;
using testing::Framing;
using testing::readTestData;

constexpr std::string_view kInvoice = R"({"service":"billing","retry":[1,2,4],"path":"/v1/invoices","ok":false})";

std::optional<DecodeResult> decode(std::string_view text) { return GzipDetector().decode(text); }

std::string hexEncode(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) (hex += digits[byte >> 4]) += digits[byte & 15];
    return hex;
}

TEST(GzipDetector, Base64StreamFromGzipGivesItsText) {
    const auto result = decode(readTestData("gzip-json.b64") + "\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::gzip);
    EXPECT_EQ(result->output, kInvoice);
    EXPECT_EQ(result->confidence, 0.92);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "gzip (base64) → 70 bytes");
    EXPECT_EQ(result->details, (Details{{"wrapper", "base64"}, {"bytes", "70"}}));

    // A stored file name (and modification time) changes nothing.
    const auto named = decode(readTestData("gzip-json-fname.b64"));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->output, kInvoice);
    EXPECT_EQ(named->summary, result->summary);

    const DecodeChain chain = inspect(readTestData("gzip-json.b64"));
    EXPECT_EQ(chain.kinds(), (std::vector{DetectionKind::gzip, DetectionKind::json}));
}

TEST(GzipDetector, ReportsTheWrapperItOpenedUnder) {
    // 87 stream bytes give 174 hex digits, which also read as base64url; 92 give 184, which also
    // read as padded base64. Either way the hex reading is the one that opens.
    const auto odd = decode(readTestData("gzip-json-87-bytes.hex"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->details.at("wrapper"), "hex");
    EXPECT_EQ(odd->summary, "gzip (hex) → 70 bytes");
    const auto even = decode(readTestData("gzip-json-92-bytes.hex"));
    ASSERT_TRUE(even);
    EXPECT_EQ(even->details.at("wrapper"), "hex");
    EXPECT_EQ(even->output, R"({"service":"billing","retry":[1,2,4,8,16],"path":"/v1/invoices","ok":false})");

    const auto unpadded = decode(readTestData("gzip-json-unpadded.b64url"));
    ASSERT_TRUE(unpadded);
    EXPECT_EQ(unpadded->details.at("wrapper"), "base64url");
    EXPECT_EQ(unpadded->summary, "gzip (base64url) → 72 bytes");

    EXPECT_EQ(inspect(readTestData("gzip-json-92-bytes.hex")).kinds(),
              (std::vector{DetectionKind::gzip, DetectionKind::json}));
}

TEST(GzipDetector, DeclinesTruncatedForeignAndBinaryStreams) {
    const std::string member = compress(kInvoice, Framing::gzip);
    for (std::size_t length = 0; length < member.size(); ++length) {
        const std::string prefix = member.substr(0, length);
        EXPECT_FALSE(decode(base64Encode(prefix))) << length;
        EXPECT_FALSE(decode(hexEncode(prefix))) << length;
    }
    // Checksums are not verified: a wrong CRC-32 and ISIZE still decode.
    std::string wrongTrailer = member;
    for (std::size_t i = wrongTrailer.size() - 8; i < wrongTrailer.size(); ++i) wrongTrailer[i] ^= 0x5A;
    EXPECT_TRUE(decode(base64Encode(wrongTrailer)));

    EXPECT_FALSE(decode(base64Encode(compress(kInvoice, Framing::zlib))));
    std::string binary;
    for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
    EXPECT_FALSE(decode(base64Encode(compress(binary, Framing::gzip))));
    EXPECT_FALSE(decode(base64Encode(compress(std::string(100, '\x01'), Framing::gzip))));
    EXPECT_FALSE(decode(base64Encode(compress("", Framing::gzip))));
    EXPECT_FALSE(decode("H4sIAAA"));
}

TEST(GzipDetector, OutputCapHoldsWhateverIsizeClaims) {
    constexpr std::size_t cap = Limits::maxInflatedBytesPerStep;
    const auto below = decode(base64Encode(compress(std::string(cap - 1, ' '), Framing::gzip)));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->details.at("bytes"), std::to_string(cap - 1));
    EXPECT_FALSE(decode(base64Encode(compress(std::string(cap, ' '), Framing::gzip))));

    // A 64 MiB bomb claims its size in ISIZE; it still stops at the cap.
    EXPECT_FALSE(decode(base64Encode(compress(std::string(1 << 20, ' '), Framing::gzip, 64))));
}

} // namespace
} // namespace orvel
