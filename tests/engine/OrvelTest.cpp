#include "orvel/Orvel.h"

#include <stop_token>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/TestData.h"

namespace orvel {
namespace {

TEST(Orvel, EscapedTextComesApartBeforeItsStructure) {
    EXPECT_EQ(inspect("{&quot;a&quot;:&quot;x&lt;y&quot;}").kinds(),
              (std::vector{DetectionKind::htmlEntities, DetectionKind::json}));
    EXPECT_EQ(inspect(R"(\u003clist\u003e\u003citem/\u003e\u003c/list\u003e)").kinds(),
              (std::vector{DetectionKind::unicodeEscape, DetectionKind::xml}));
    EXPECT_EQ(inspect("redirect=%2Fhome&state=abc").kinds(), (std::vector{DetectionKind::url, DetectionKind::queryString}));
}

TEST(Orvel, HostileInputIsAnsweredNotCrashedOn) {
    EXPECT_FALSE(inspect(std::string(100'000, '[')).isRecognized());

    const DecodeChain nul = inspect(std::string("{\"a\":\"\0\"}", 9));
    EXPECT_FALSE(nul.isRecognized());  // a raw NUL inside a JSON string is a syntax error
    EXPECT_EQ(nul.input.size(), 9u);

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

TEST(Orvel, StoppedInspectionAndScanGiveNothing) {
    const std::string token = testing::readTestData("security/jwt-rs256.txt");
    std::stop_source source;
    EXPECT_EQ(inspect(token, source.get_token()), inspect(token));
    source.request_stop();
    EXPECT_FALSE(inspect(token, source.get_token()));
    const auto none = [](ScanFinding&&) {
        ADD_FAILURE();
        return Scanner::Next::keepGoing;
    };
    EXPECT_TRUE(scan(token, none, {.threads = 2, .stop = source.get_token()}).stopped);
}

} // namespace
} // namespace orvel
