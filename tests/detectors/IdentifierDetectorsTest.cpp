// Values that name or locate something: UUIDs, Unix timestamps and query strings.
#include <sstream>

#include <gtest/gtest.h>

#include "detectors/QueryStringDetector.h"
#include "detectors/UUIDDetector.h"
#include "detectors/UnixTimestampDetector.h"
#include "security/OAuthErrors.h"
#include "support/Readings.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using testing::detail;
using testing::expectDeclines;
using testing::expectReadings;

TEST(UUIDDetector, ReportsTheVersionOfCanonicalUUIDs) {
    // Made by uuidgen: one per version.
    std::istringstream lines(testing::readTestData("uuids.tsv"));
    // The version digit is shown as written and never judged.
    std::vector<testing::Reading> versions{{"00000000-0000-0000-0000-000000000000", "0"},
                                           {"6ba7b810-9dad-F1d1-80b4-00c04fd430c8", "F"}};
    for (std::string uuid, version; lines >> uuid >> version;) versions.push_back({uuid, version});
    ASSERT_EQ(versions.size(), 7u);
    expectReadings(UUIDDetector(), versions, detail("version"));

    EXPECT_EQ(UUIDDetector().decode(" 6BA7B810-9DAD-11D1-80B4-00C04FD430C8\n")->output,
              "6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    // The whole text must be the pattern, which the regex tests hold against ICU: a group one
    // short or one long, or braces around it, is not a UUID.
    expectDeclines(UUIDDetector(), {"6ba7b810-9dad-11d1-80b4-00c04fd430c", "6ba7b810-9dad-11d1-80b4-00c04fd430c8a",
                                    "{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"});
}

TEST(UnixTimestampDetector, RendersLikeDateWithinTheRange) {
    // Value, unit and what `date -u` printed for it, the ends of the range among them.
    std::istringstream lines(testing::readTestData("timestamps.tsv"));
    std::vector<testing::Reading> dates{{" 1000000000\n", "2001-09-09T01:46:40Z"},
                                        {"1000000000000", "2001-09-09T01:46:40Z"}};
    std::vector<testing::Reading> units;
    for (std::string value, unit, iso; lines >> value >> unit >> iso;) {
        dates.push_back({value, iso});
        units.push_back({value, unit});
    }
    ASSERT_EQ(units.size(), 8u);
    expectReadings(UnixTimestampDetector(), dates);
    expectReadings(UnixTimestampDetector(), units, detail("unit"));
    // Just outside the range in seconds and milliseconds, 11 and 12 digits, a sign, a fraction,
    // an exponent, and fullwidth digits, which are not [0-9].
    expectDeclines(UnixTimestampDetector(),
                   {"0999999999", "999999999", "4102444801", "0999999999999", "4102444800001", "17000000000",
                    "170000000000", "-1700000000", "1700000000.5", "１７００００００００"});
}

TEST(QueryStringDetector, ListsPairsByKeyWithDecodedValues) {
    expectReadings(QueryStringDetector(),
                   {{"  b=2&a=1\n", "a = 1\nb = 2"},
                    {"v=%zz&w=1&x=%E2%82&y=%e2%82%ac", "v = %zz\nw = 1\nx = %E2%82\ny = \u20AC"}, // broken values stay
                    {"a=&b=c=d", "a = \nb = c=d"},
                    {"items[0].id=1&x-y_z=2&t=a\tb", "items[0].id = 1\nt = a\tb\nx-y_z = 2"},
                    {"a=1&b=0&a=2", "a = 1\na = 2\nb = 0"}}); // equal keys keep their input order
    expectDeclines(QueryStringDetector(),
                   {"a=1", "a=1&", "a=1&&b=2", "a=1&flag", "=1&b=2", "a%20b=1&c=2", "\u00E9=1&b=2", "?a=1&b=2",
                    "a=1 &b=2", "a=1&b=hello world", "a=1\n&b=2", "&"});
    // The details keep the last value of a key, and the count wins over a key of that name.
    expectReadings(QueryStringDetector(), {{"a=1&b=0&a=2", "2"}}, detail("a"));
    expectReadings(QueryStringDetector(), {{"a=1&b=0&a=2", "3"}, {"pairs=x&y=1", "x"}}, detail("pairs"));
    // A key may not end in a line terminator, not even the last thing before "=".
    for (const std::string terminator : {"\n", "\v", "\f", "\r", "\r\n", "\u0085", "\u2028", "\u2029"}) {
        expectDeclines(QueryStringDetector(), {"role" + terminator + "=admin&x=1", "x=1&role" + terminator + "=admin"});
    }
}

TEST(QueryStringDetector, TheFirstKnownOAuthErrorExplainsTheRedirect) {
    // The first error pair decides, after decoding; the catalogue's keys win over the query's.
    // The golden corpus holds the summaries of known codes, an unknown one and a key in capitals.
    const auto decoded = QueryStringDetector().decode("next_step=mine&error=invalid%5Fgrant&error=access_denied");
    EXPECT_EQ(decoded->details.at("next_step"), OAuthErrors::lookup("invalid_grant")->nextStep);
    EXPECT_EQ(decoded->details.at("error"), "access_denied");
}

} // namespace
} // namespace orvel
