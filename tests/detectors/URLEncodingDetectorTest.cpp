#include "detectors/URLEncodingDetector.h"

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "support/TestData.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return URLEncodingDetector().decode(text); }

TEST(URLEncodingDetector, DecodesOneLayerAndCountsPercentSigns) {
    const auto result = decode("name=J%C3%BCrgen%20M%C3%BCller&q=a+b%2Fc");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::url);
    EXPECT_EQ(result->output, "name=Jürgen Müller&q=a+b/c"); // "+" stays "+"
    EXPECT_EQ(result->confidence, 0.9);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "URL/percent-encoded (6 escapes)");
    EXPECT_EQ(result->details, (Details{{"escapes", "6"}}));

    const auto single = decode("a%2Fb");
    ASSERT_TRUE(single);
    EXPECT_EQ(single->summary, "URL/percent-encoded (1 escape)");
    EXPECT_EQ(single->details, (Details{{"escapes", "1"}}));

    EXPECT_EQ(decode(" %41 \n")->output, " A \n"); // not trimmed
    EXPECT_EQ(decode("%2520")->output, "%20");     // one layer only
    EXPECT_EQ(decode("%e2%86%92")->output, "→");
}

TEST(URLEncodingDetector, DeclinesMalformedEscapesAndBrokenUTF8) {
    EXPECT_FALSE(decode("no escapes here"));
    EXPECT_FALSE(decode("50% off, a%20b")); // a lone "%" spoils the valid escape
    EXPECT_FALSE(decode("a%20b%"));
    EXPECT_FALSE(decode("a%20b%4"));
    EXPECT_FALSE(decode("a%20b%G1"));
    EXPECT_FALSE(decode("caf%E9"));    // Latin-1, not UTF-8
    EXPECT_FALSE(decode("%C3"));       // half a sequence
    EXPECT_FALSE(decode("%ED%A0%80")); // a surrogate
    EXPECT_FALSE(decode(""));
}

TEST(URLEncodingDetector, LayersComeApartStepByStep) {
    const DecodeChain doubled = inspect("%2520");
    EXPECT_EQ(doubled.kinds(), (std::vector{DetectionKind::url, DetectionKind::url}));
    EXPECT_EQ(doubled.steps[0].output, "%20");
    EXPECT_EQ(doubled.finalValue(), " ");

    const DecodeChain wrapped = inspect(testing::readTestData("url-base64-json.txt"));
    EXPECT_EQ(wrapped.kinds(), (std::vector{DetectionKind::url, DetectionKind::base64, DetectionKind::json}));
    EXPECT_EQ(wrapped.steps[0].summary, "URL/percent-encoded (2 escapes)");
    EXPECT_EQ(wrapped.finalValue(),
              "{\n  \"n\" : 1,\n  \"q\" : \"café & crème?\",\n  \"tags\" : [\n    \"a/b\",\n    \"c>d\"\n  ]\n}");
}

} // namespace
} // namespace orvel
