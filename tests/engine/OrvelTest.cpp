#include "orvel/Orvel.h"

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/Base64Encode.h"

namespace orvel {
namespace {

TEST(Orvel, RegistryFollowsPriorityOrder) {
    std::vector<DetectionKind> kinds;
    for (const auto& detector : defaultDetectors()) kinds.push_back(detector->kind());
    // Structured formats before the generic alphabets.
    EXPECT_EQ(kinds, (std::vector{DetectionKind::jwt, DetectionKind::pem, DetectionKind::hash, DetectionKind::plist,
                                  DetectionKind::xml, DetectionKind::url, DetectionKind::gzip, DetectionKind::zlib,
                                  DetectionKind::json, DetectionKind::yaml, DetectionKind::uuid,
                                  DetectionKind::unixTimestamp, DetectionKind::queryString, DetectionKind::htmlEntities,
                                  DetectionKind::unicodeEscape, DetectionKind::base64, DetectionKind::base32,
                                  DetectionKind::base58, DetectionKind::hex}));
    EXPECT_EQ(standardEngine().threshold(), 0.5);
    EXPECT_EQ(standardEngine().maxDepth(), 12);
}

TEST(Orvel, Base64WrappedJSONComesApartInTwoSteps) {
    const std::string input = testing::base64Encode(R"({"b":1,"a":[true,null,"x/y"]})") + "\n";
    const DecodeChain chain = inspect(input);
    EXPECT_EQ(chain.input, input);
    EXPECT_EQ(chain.kinds(), (std::vector{DetectionKind::base64, DetectionKind::json}));
    EXPECT_EQ(chain.finalValue(), "{\n  \"a\" : [\n    true,\n    null,\n    \"x/y\"\n  ],\n  \"b\" : 1\n}");

    const DecodeChain urlSafe = inspect(testing::base64Encode(R"({"k":"??>>"})", true, false));
    EXPECT_EQ(urlSafe.kinds(), (std::vector{DetectionKind::base64url, DetectionKind::json}));
}

TEST(Orvel, EscapedTextComesApartBeforeItsStructure) {
    EXPECT_EQ(inspect("{&quot;a&quot;:&quot;x&lt;y&quot;}").kinds(),
              (std::vector{DetectionKind::htmlEntities, DetectionKind::json}));
    EXPECT_EQ(inspect(R"(\u003clist\u003e\u003citem/\u003e\u003c/list\u003e)").kinds(),
              (std::vector{DetectionKind::unicodeEscape, DetectionKind::xml}));
    EXPECT_EQ(inspect("redirect=%2Fhome&state=abc").kinds(), (std::vector{DetectionKind::url, DetectionKind::queryString}));
    EXPECT_EQ(inspect("error=invalid_grant&state=abc").kinds(), std::vector{DetectionKind::queryString});
    // The property-list detector stands before XML, YAML and the alphabets.
    EXPECT_EQ(inspect("<plist version=\"1.0\"><array/></plist>").kinds(), std::vector{DetectionKind::plist});
    EXPECT_EQ(inspect("name: api\nport: 8080").kinds(), std::vector{DetectionKind::yaml});
}

TEST(Orvel, HostileInputIsAnsweredNotCrashedOn) {
    EXPECT_FALSE(inspect("").isRecognized());
    EXPECT_FALSE(inspect(" \n\t").isRecognized());
    EXPECT_FALSE(inspect("hello world").isRecognized());
    EXPECT_FALSE(inspect(std::string(100'000, '[')).isRecognized());

    const DecodeChain nul = inspect(std::string("{\"a\":\"\0\"}", 9));
    EXPECT_FALSE(nul.isRecognized());  // a raw NUL inside a JSON string is a syntax error
    EXPECT_EQ(nul.input.size(), 9u);

    // Invalid UTF-8 is repaired before anything looks at it.
    const DecodeChain repaired = inspect("[\"\xff\"]");
    EXPECT_EQ(repaired.input, "[\"\uFFFD\"]");
    EXPECT_EQ(repaired.kinds(), std::vector{DetectionKind::json});

    // Above the cap nothing is examined, at the cap everything is.
    const auto paddedArray = [](std::size_t size) {
        std::string array(size, ' ');
        array.front() = '[';
        array.back() = ']';
        return array;
    };
    EXPECT_TRUE(inspect(paddedArray(Limits::maxInspectBytes)).isRecognized());
    EXPECT_FALSE(inspect(paddedArray(Limits::maxInspectBytes + 1)).isRecognized());
}

} // namespace
} // namespace orvel
