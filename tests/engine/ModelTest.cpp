#include <gtest/gtest.h>

#include "orvel/DecodeChain.h"

namespace orvel {
namespace {

TEST(DetectionKind, RawValuesRoundTripExactly) {
    const auto& all = allDetectionKinds();
    ASSERT_EQ(all.size(), 20u);
    for (const auto kind : all) EXPECT_EQ(kindFromRawValue(rawValue(kind)), kind);
    EXPECT_FALSE(kindFromRawValue("Base64url"));
    EXPECT_FALSE(kindFromRawValue(""));
    EXPECT_FALSE(kindFromRawValue("url "));
    EXPECT_FALSE(kindFromRawValue(" url"));
}

TEST(DecodeChain, EqualityComparesTextsByCanonicalEquivalence) {
    const DecodeResult step{DetectionKind::base64, "caf\u00e9", 0.7, "s", {{"name", "caf\u00e9"}}, false};
    DecodeResult decomposed = step;
    decomposed.output = decomposed.details["name"] = "cafe\u0301";
    EXPECT_EQ(decomposed, step);
    DecodeResult changed = step;
    changed.details["name"] = "cafe";
    EXPECT_NE(changed, step);
    EXPECT_EQ((DecodeChain{"cafe\u0301", {step}}), (DecodeChain{"caf\u00e9", {decomposed}}));
    EXPECT_NE((DecodeChain{"x", {step}}), (DecodeChain{"x", {step, step}}));
}

} // namespace
} // namespace orvel
