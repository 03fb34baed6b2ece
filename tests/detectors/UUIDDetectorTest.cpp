#include "detectors/UUIDDetector.h"

#include <sstream>

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "support/TestData.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return UUIDDetector().decode(text); }

TEST(UUIDDetector, ReportsTheVersionOfUUIDsFromUuidgen) {
    std::istringstream lines(testing::readTestData("uuids.tsv"));
    std::string uuid;
    std::string version;
    int count = 0;
    while (lines >> uuid >> version) {
        ++count;
        const auto result = decode(uuid);
        ASSERT_TRUE(result) << uuid;
        EXPECT_EQ(result->kind, DetectionKind::uuid);
        EXPECT_EQ(result->confidence, 0.96);
        EXPECT_TRUE(result->terminal);
        EXPECT_EQ(result->summary, "UUID (version " + version + ")");
        EXPECT_EQ(result->details, (Details{{"version", version}}));
        EXPECT_EQ(result->output.find_first_of("ABCDEF"), std::string::npos) << result->output;
    }
    EXPECT_EQ(count, 5);
}

TEST(UUIDDetector, CanonicalFormOnly) {
    const auto upper = decode(" 6BA7B810-9DAD-11D1-80B4-00C04FD430C8\n");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->output, "6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    EXPECT_EQ(decode("00000000-0000-0000-0000-000000000000")->summary, "UUID (version 0)");
    // The version digit is shown as written, in its own case, and never judged.
    EXPECT_EQ(decode("6ba7b810-9dad-F1d1-80b4-00c04fd430c8")->details.at("version"), "F");

    EXPECT_FALSE(decode("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"));
    EXPECT_FALSE(decode("urn:uuid:6ba7b810-9dad-11d1-80b4-00c04fd430c8"));
    EXPECT_FALSE(decode("6ba7b8109dad11d180b400c04fd430c8"));
    EXPECT_FALSE(decode("6ba7b810-9dad-11d1-80b4-00c04fd430c"));
    EXPECT_FALSE(decode("6ba7b810-9dad-11d1-80b4-00c04fd430c8a"));
    EXPECT_FALSE(decode("6ba7b810-9dad-11d1-80b4-00c04fd430g8"));
    EXPECT_FALSE(decode("6ba7b810-9dad-11d1-80b4-00c04fd430c8 6ba7b810"));
}

TEST(UUIDDetector, EndsTheChainEvenAfterDecoding) {
    const DecodeChain chain = inspect("6ba7b810%2D9dad%2D11d1%2D80b4%2D00c04fd430c8");
    EXPECT_EQ(chain.kinds(), (std::vector{DetectionKind::url, DetectionKind::uuid}));
    EXPECT_TRUE(chain.steps.back().terminal);
}

} // namespace
} // namespace orvel
