#include "detectors/UnixTimestampDetector.h"

#include <sstream>

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "support/TestData.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return UnixTimestampDetector().decode(text); }

TEST(UnixTimestampDetector, RendersLikeDate) {
    std::istringstream lines(testing::readTestData("timestamps.tsv"));
    std::string value;
    std::string unit;
    std::string iso;
    int count = 0;
    while (lines >> value >> unit >> iso) {
        ++count;
        const auto result = decode(value);
        ASSERT_TRUE(result) << value;
        EXPECT_EQ(result->kind, DetectionKind::unixTimestamp);
        EXPECT_EQ(result->output, iso);
        EXPECT_EQ(result->confidence, 0.75);
        EXPECT_TRUE(result->terminal);
        EXPECT_EQ(result->summary, "Unix timestamp (" + unit + ") → " + iso);
        EXPECT_EQ(result->details, (Details{{"unit", unit}, {"iso", iso}}));
    }
    EXPECT_EQ(count, 8);
}

TEST(UnixTimestampDetector, BoundsAndShapes) {
    EXPECT_TRUE(decode(" 1000000000\n"));
    EXPECT_FALSE(decode("0999999999")); // ten digits, below the range
    EXPECT_FALSE(decode("999999999"));
    EXPECT_TRUE(decode("4102444800"));
    EXPECT_FALSE(decode("4102444801"));
    EXPECT_TRUE(decode("1000000000000"));
    EXPECT_FALSE(decode("0999999999999"));
    EXPECT_TRUE(decode("4102444800000"));
    EXPECT_FALSE(decode("4102444800001")); // a millisecond past the horizon
    EXPECT_FALSE(decode("9000000000000"));
    EXPECT_FALSE(decode("17000000000"));  // 11 digits
    EXPECT_FALSE(decode("170000000000")); // 12
    EXPECT_FALSE(decode("-1700000000"));
    EXPECT_FALSE(decode("1700000000.5"));
    EXPECT_FALSE(decode("1.7e9"));
    EXPECT_FALSE(decode("１７００００００００")); // fullwidth digits are not [0-9]
}

TEST(UnixTimestampDetector, BeatsTheGenericAlphabets) {
    // The generic alphabets leave digit runs alone; the timestamp ends the chain wherever it turns up.
    EXPECT_EQ(inspect("1700000000123").kinds(), std::vector{DetectionKind::unixTimestamp});
    EXPECT_EQ(inspect("%31%37%30%30%30%30%30%30%30%30").kinds(),
              (std::vector{DetectionKind::url, DetectionKind::unixTimestamp}));
}

} // namespace
} // namespace orvel
