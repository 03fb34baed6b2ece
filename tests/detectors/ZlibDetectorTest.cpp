#include "detectors/ZlibDetector.h"

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/Deflater.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using testing::base64Encode;
using testing::compress;
using testing::Framing;

std::optional<DecodeResult> decode(std::string_view text) { return ZlibDetector().decode(text); }

TEST(ZlibDetector, StreamOfExactlySixtyFourBytesInflates) {
    // 64 bytes fill the first buffer of the attempt loop exactly; the second attempt confirms.
    const auto result = decode(testing::readTestData("zlib-64-bytes.b64"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::zlib);
    EXPECT_EQ(result->output, "Orvel inflates zlib streams of exactly sixty-four bytes, see?!?\n");
    EXPECT_EQ(result->confidence, 0.88);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "zlib (base64) → 64 bytes");
    EXPECT_EQ(result->details, (Details{{"wrapper", "base64"}, {"bytes", "64"}}));

    const std::string json = R"({"zlib":true,"items":[1,2,3]})";
    EXPECT_EQ(inspect(base64Encode(compress(json, Framing::zlib), true, false)).kinds(),
              (std::vector{DetectionKind::zlib, DetectionKind::json}));
}

TEST(ZlibDetector, HeaderDecidesAndChecksumDoesNot) {
    const std::string stream = compress("a zlib stream with a header and an Adler-32", Framing::zlib);
    std::string wrongAdler = stream;
    wrongAdler.back() ^= 0x01;
    EXPECT_TRUE(decode(base64Encode(wrongAdler)));

    std::string notMultipleOf31 = stream;
    notMultipleOf31[1] = static_cast<char>(notMultipleOf31[1] + 1);
    EXPECT_FALSE(decode(base64Encode(notMultipleOf31)));
    std::string presetDictionary = stream;
    presetDictionary[0] = 0x78;
    presetDictionary[1] = 0x20; // FDICT, yet 0x7820 is a multiple of 31
    EXPECT_FALSE(decode(base64Encode(presetDictionary)));

    for (std::size_t length = 0; length < stream.size(); ++length) {
        EXPECT_FALSE(decode(base64Encode(stream.substr(0, length)))) << length;
    }
    EXPECT_FALSE(decode(base64Encode(compress("a gzip member is not a zlib stream", Framing::gzip))));
}

} // namespace
} // namespace orvel
