#include "orvel/Orvel.h"

#include <stop_token>
#include <thread>

#include <gtest/gtest.h>

#include "orvel/Clock.h"
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

// The engine's tables, expressions and per-thread match data serve every inspection at once;
// under the sanitizers this also looks for races between them.
TEST(Orvel, InspectionsOnSeveralThreadsAtOnceGiveTheSameChains) {
    const std::vector<std::string> inputs{testing::readTestData("security/jwt-rs256.txt"),
                                          testing::readTestData("security/leaf-san.cert.pem"),
                                          testing::readTestData("gzip-json.b64"),
                                          testing::readTestData("golden/inputs/order.xml"),
                                          testing::readTestData("plist/sample.bplist.b64"),
                                          "{&quot;a&quot;:&quot;x&lt;y&quot;}"};
    Clock::pin(1'800'000'000);  // relative times must not move between the runs
    std::vector<DecodeChain> alone;
    for (const std::string& input : inputs) alone.push_back(inspect(input));
    std::vector<std::vector<DecodeChain>> together(4);
    {
        std::vector<std::jthread> threads;  // joined as the block ends
        for (std::size_t t = 0; t < together.size(); ++t) {
            threads.emplace_back([&, t] {
                for (std::size_t i = 0; i < 3 * inputs.size(); ++i) together[t].push_back(inspect(inputs[(t + i) % inputs.size()]));
            });
        }
    }
    Clock::pin(std::nullopt);
    for (std::size_t t = 0; t < together.size(); ++t) {
        for (std::size_t i = 0; i < together[t].size(); ++i) {
            const std::size_t input = (t + i) % inputs.size();
            ASSERT_TRUE(alone[input].isRecognized()) << input;
            EXPECT_EQ(together[t][i], alone[input]) << "thread " << t << ", input " << input;
        }
    }
}

} // namespace
} // namespace orvel
