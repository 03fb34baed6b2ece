#include "orvel/Instant.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using orvel::Instant::iso8601;

TEST(InstantTest, FormatsTheWholeSecondTowardThePast) {
    EXPECT_EQ(iso8601(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(iso8601(-0.0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(iso8601(1738310400), "2025-01-31T08:00:00Z");
    EXPECT_EQ(iso8601(1738310400.999), "2025-01-31T08:00:00Z");
    EXPECT_EQ(iso8601(1738310399.999), "2025-01-31T07:59:59Z");
    EXPECT_EQ(iso8601(-0.5), "1969-12-31T23:59:59Z");
    EXPECT_EQ(iso8601(-1), "1969-12-31T23:59:59Z");
    EXPECT_EQ(iso8601(-1.5), "1969-12-31T23:59:58Z");
    EXPECT_EQ(iso8601(2147483648), "2038-01-19T03:14:08Z"); // past 32-bit time_t
}

TEST(InstantTest, CalendarEdges) {
    EXPECT_EQ(iso8601(951782400), "2000-02-29T00:00:00Z"); // divisible by 400: leap
    EXPECT_EQ(iso8601(1709208000), "2024-02-29T12:00:00Z");
    EXPECT_EQ(iso8601(-2203891201), "1900-02-28T23:59:59Z"); // divisible by 100: not leap
    EXPECT_EQ(iso8601(-2203891200), "1900-03-01T00:00:00Z");
    EXPECT_EQ(iso8601(-62135596800), "0001-01-01T00:00:00Z");
}

TEST(InstantTest, YearsOutsideFourDigitsAndNonFiniteValuesAreAbsent) {
    EXPECT_EQ(iso8601(-62167219200), "0000-01-01T00:00:00Z");
    EXPECT_EQ(iso8601(-62167219200.5), std::nullopt);
    EXPECT_EQ(iso8601(253402300799.999), "9999-12-31T23:59:59Z");
    EXPECT_EQ(iso8601(253402300800), std::nullopt);
    for (const double value : {1e300, -1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(iso8601(value), std::nullopt) << value;
    }
}

} // namespace
