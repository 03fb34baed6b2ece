#include <gtest/gtest.h>

#include "orvel/DecodeChain.h"

namespace orvel {
namespace {

TEST(DetectionKind, RawValuesRoundTripExactly) {
    const auto& all = allDetectionKinds();
    ASSERT_EQ(all.size(), 20u);
    EXPECT_EQ(rawValue(all.front()), "base64");
    EXPECT_EQ(rawValue(all[4]), "url");
    EXPECT_EQ(rawValue(all.back()), "yaml");
    for (const auto kind : all) EXPECT_EQ(kindFromRawValue(rawValue(kind)), kind);
    EXPECT_EQ(kindFromRawValue("base64url"), DetectionKind::base64url);
    EXPECT_EQ(kindFromRawValue("unixTimestamp"), DetectionKind::unixTimestamp);
    EXPECT_FALSE(kindFromRawValue("Base64url"));
    EXPECT_FALSE(kindFromRawValue(""));
    EXPECT_FALSE(kindFromRawValue("url "));
    EXPECT_FALSE(kindFromRawValue(" url"));
}

TEST(DecodeChain, DerivedPropertiesAndEquality) {
    const DecodeChain empty{"raw", {}};
    EXPECT_FALSE(empty.isRecognized());
    EXPECT_EQ(empty.finalValue(), "raw");
    EXPECT_TRUE(empty.kinds().empty());

    const DecodeResult first{DetectionKind::base64, "{\"a\":1}", 0.7, "s", {{"bytes", "7"}}, false};
    const DecodeResult last{DetectionKind::json, "{\n  \"a\" : 1\n}", 0.95, "JSON object", {{"topLevel", "object"}}, true};
    const DecodeChain chain{"eyJhIjoxfQ==", {first, last}};
    EXPECT_EQ(chain.finalValue(), last.output);
    EXPECT_EQ(chain.kinds(), (std::vector{DetectionKind::base64, DetectionKind::json}));

    DecodeResult changed = first;
    changed.details["bytes"] = "8";
    EXPECT_NE(changed, first);
    DecodeResult reordered = first;
    reordered.details = {{"z", "1"}, {"bytes", "7"}};
    DecodeResult sameReordered = first;
    sameReordered.details.emplace("z", "1");
    EXPECT_EQ(reordered, sameReordered);

    // Texts compare by canonical equivalence.
    DecodeResult precomposed = first;
    precomposed.output = "caf\u00e9";
    DecodeResult decomposed = first;
    decomposed.output = "cafe\u0301";
    EXPECT_EQ(precomposed, decomposed);
    EXPECT_NE(chain, (DecodeChain{"eyJhIjoxfQ==", {first}}));
}

} // namespace
} // namespace orvel
