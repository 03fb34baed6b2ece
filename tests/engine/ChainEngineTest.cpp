// The engine family: the data model, the chain engine's rules and the facade over both.

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <stop_token>
#include <thread>

#include <gtest/gtest.h>

#include "detectors/JWTDetector.h"
#include "orvel/Clock.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "support/StubDetector.h"
#include "support/TestData.h"

namespace orvel {
namespace {

TEST(DetectionKind, RawValuesRoundTripExactly) {
    for (const auto kind : allDetectionKinds()) EXPECT_EQ(kindFromRawValue(rawValue(kind)), kind);
    for (const char* raw : {"Base64url", "", "url ", " url"}) EXPECT_FALSE(kindFromRawValue(raw)) << raw;
}

TEST(DecodeChain, EqualityComparesTextsByCanonicalEquivalence) {
    const DecodeResult step{DetectionKind::base64, "caf\u00e9", 0.7, "s", {{"name", "caf\u00e9"}}, false};
    DecodeResult decomposed = step;
    decomposed.output = decomposed.details["name"] = "cafe\u0301";
    EXPECT_EQ((DecodeChain{"cafe\u0301", {step}}), (DecodeChain{"caf\u00e9", {decomposed}}));
    DecodeResult changed = step;
    changed.details["name"] = "cafe";
    EXPECT_NE(changed, step);
    EXPECT_NE((DecodeChain{"x", {step}}), (DecodeChain{"x", {step, step}}));
}

using testing::Answer;
using testing::stub;
using testing::StubDetector;

DecodeResult result(DetectionKind kind, std::string output, double confidence, bool terminal = false) {
    return DecodeResult{kind, std::move(output), confidence, "stub", {}, terminal};
}

// Maps one exact text to one result.
std::shared_ptr<StubDetector> when(std::string input, DecodeResult answer) {
    return stub([input, answer](std::string_view text) { return text == input ? Answer(answer) : std::nullopt; });
}

std::vector<std::string> outputs(const DecodeChain& chain) {
    std::vector<std::string> all;
    for (const auto& step : chain.steps) all.push_back(step.output);
    return all;
}

TEST(ChainEngine, DetectorsThatCannotOutbidTheAnswerHeldAreNotAsked) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // The held answer is 0.9: a later ceiling of 0.9 cannot win a tie, one just above can.
    for (const auto& [ceiling, asked] : {std::pair{0.9, false}, {std::nextafter(0.9, 1.0), true}, {nan, true}}) {
        const auto held = when("x", result(DetectionKind::hex, "held", 0.9, true));
        held->ceiling = 0.9;
        const auto later = when("x", result(DetectionKind::base64, "later", 0.95, true));
        later->ceiling = ceiling;
        const DecodeChain chain = ChainEngine({held, later}).inspect("x");
        EXPECT_EQ(later->calls > 0, asked) << ceiling;
        EXPECT_EQ(outputs(chain), std::vector<std::string>{asked ? "later" : "held"}) << ceiling;
    }
}

TEST(ChainEngine, DetectorsAreAskedOnlyAboutTextsOfTheirShapes) {
    const auto percent = stub([](std::string_view) { return Answer(); });
    percent->shapes = {{.mustContain = ByteSet("%")}, {.alphabet = ByteSet("0-9"), .firstBytes = ByteSet("1-9")}};
    // Judged on the trimmed text: the blanks around "42" are no digits, and an empty text has no
    // first byte.
    for (const auto& [text, asked] :
         {std::pair{"a%b", true}, {" 42\n", true}, {"abc", false}, {"042", false}, {"4 2", false}, {"", false}}) {
        percent->calls = 0;
        ChainEngine({percent}).inspect(text);
        EXPECT_EQ(percent->calls > 0, asked) << text;
    }
}

TEST(ChainEngine, ThresholdIsInclusiveAndNaNNeverPasses) {
    const double threshold = ChainEngine::standardThreshold;
    for (const auto& [confidence, recognised] : {std::pair{threshold, true},
                                                 {std::nextafter(threshold, 0.0), false},
                                                 {std::numeric_limits<double>::quiet_NaN(), false}}) {
        const ChainEngine engine({when("a", result(DetectionKind::hex, "done", confidence, true))});
        EXPECT_EQ(engine.inspect("a").isRecognized(), recognised) << confidence;
    }
}

TEST(ChainEngine, HighestConfidenceWinsAndRegistryOrderBreaksTies) {
    const ChainEngine engine({when("x", result(DetectionKind::hex, "first", 0.7, true)),
                              when("x", result(DetectionKind::base32, "second", 0.9, true)),
                              when("x", result(DetectionKind::base58, "third", 0.9, true))});
    EXPECT_EQ(engine.inspect("x").kinds(), std::vector{DetectionKind::base32});
}

TEST(ChainEngine, NonTerminalResultMustMakeProgressTerminalMayRepeat) {
    // Same text back, even at full confidence, is no progress: the weaker real answer wins.
    const ChainEngine engine({when("same", result(DetectionKind::hex, "same", 1.0)),
                              when("same", result(DetectionKind::json, "other", 0.6, true))});
    EXPECT_EQ(engine.inspect("same").kinds(), std::vector{DetectionKind::json});
    // Canonically equal texts count as the same: é precomposed and decomposed.
    const ChainEngine canonical({when("\u00e9", result(DetectionKind::hex, "e\u0301", 1.0))});
    EXPECT_FALSE(canonical.inspect("\u00e9").isRecognized());
    const ChainEngine terminal({when("{}", result(DetectionKind::json, "{}", 0.95, true))});
    EXPECT_EQ(outputs(terminal.inspect("{}")), std::vector<std::string>{"{}"});
}

TEST(ChainEngine, TerminalStepEndsTheChainAndACycleStopsAtTheRepeatedText) {
    auto after = when("b", result(DetectionKind::hex, "c", 0.9));
    const ChainEngine engine({when("a", result(DetectionKind::json, "b", 0.9, true)), after});
    EXPECT_EQ(outputs(engine.inspect("a")), std::vector<std::string>{"b"});
    EXPECT_EQ(after->calls, 1); // consulted on the first pass only
    const ChainEngine cycle(
        {when("A", result(DetectionKind::hex, "B", 0.9)), when("B", result(DetectionKind::hex, "A", 0.9))});
    EXPECT_EQ(outputs(cycle.inspect("A")), (std::vector<std::string>{"B", "A"}));
}

TEST(ChainEngine, DepthLimitBoundsTheChain) {
    // Every text decodes to itself plus one character: an endless onion.
    auto grow = stub([](std::string_view x) { return Answer(result(DetectionKind::hex, std::string(x) + "+", 1)); });
    EXPECT_EQ(ChainEngine({grow}).inspect("x").steps.size(), std::size_t{ChainEngine::standardMaxDepth});
    EXPECT_EQ(ChainEngine({grow}, ChainEngine::standardThreshold, 3).inspect("x").steps.size(), 3u);
    const int before = grow->calls;
    EXPECT_FALSE(ChainEngine({grow}, ChainEngine::standardThreshold, 0).inspect("x").isRecognized());
    EXPECT_FALSE(ChainEngine({grow}, ChainEngine::standardThreshold, -1).inspect("x").isRecognized());
    EXPECT_EQ(grow->calls, before); // depth 0 consults nobody
}

TEST(ChainEngine, ChainStopsPeelingOnceItsOutputReachesTheCap) {
    // Every pass unwraps another layer of `layer` bytes (a new letter each time, so no cycle).
    const auto layersOf = [](std::size_t layer) {
        return stub([layer](std::string_view text) {
            return Answer(result(DetectionKind::gzip, std::string(layer, static_cast<char>(text.front() + 1)), 0.9));
        });
    };
    const std::size_t quarter = Limits::maxChainOutputBytes / 4;
    EXPECT_EQ(ChainEngine({layersOf(quarter)}).inspect("a").steps.size(), 4u);     // exactly the cap
    EXPECT_EQ(ChainEngine({layersOf(quarter - 1)}).inspect("a").steps.size(), 5u); // just below it
}

TEST(ChainEngine, OnlyTheFirstPassIsTrimmedAndTheInputIsKept) {
    std::vector<std::string> seen;
    const ChainEngine engine({stub([&seen](std::string_view text) {
        seen.emplace_back(text);
        return text == "abc" ? Answer(result(DetectionKind::hex, "  padded \n", 0.9)) : std::nullopt;
    })});
    EXPECT_EQ(engine.inspect(" \t\r\n\u00a0abc\u2028\u3000 ").input, " \t\r\n\u00a0abc\u2028\u3000 ");
    EXPECT_EQ(seen, (std::vector<std::string>{"abc", "  padded \n"}));
}

TEST(ChainEngine, StopRequestOrDeadlineAbandonsTheChain) {
    std::stop_source source;
    auto stopper = stub([&source](std::string_view text) {
        if (text == "stop") source.request_stop();
        return Answer();
    });
    auto json = stub([](std::string_view) { return Answer(result(DetectionKind::json, "{}", 0.95, true)); });
    const ChainEngine engine({stopper, json});
    const ChainEngine::Cutoff onRequest{source.get_token()};
    EXPECT_EQ(engine.inspect("go", onRequest), engine.inspect("go"));
    EXPECT_FALSE(engine.inspect("stop", onRequest));
    EXPECT_FALSE(engine.inspect("go", onRequest));
    EXPECT_EQ(json->calls, 2); // the detector after the request is not consulted
    // A deadline is looked at once a pass is over, so the pass is never cut short.
    EXPECT_FALSE(engine.inspect("go", {.deadline = std::chrono::steady_clock::now() - std::chrono::seconds(1)}));
    EXPECT_EQ(json->calls, 3);
}

// Regression: a token's expiry verdict and its relative time were measured against two readings
// of the clock, which at the expiry instant could fall on either side of it.
TEST(ChainEngine, AnInspectionIsJudgedAsOfTheClockWhenItBegan) {
    // Header {"alg":"HS256"}, payload {"exp":1800000000}.
    const std::string token = "eyJhbGciOiJIUzI1NiJ9.eyJleHAiOjE4MDAwMDAwMDB9.c2ln";
    // Moves the clock a second on whenever it is asked, before the token detector is.
    auto ticking = stub([](std::string_view) {
        Clock::pin(Clock::now() + 1);
        return Answer();
    });
    Clock::pin(1'800'000'000);
    const DecodeChain chain = ChainEngine({ticking, std::make_shared<JWTDetector>()}).inspect(token);
    Clock::pin(std::nullopt);
    ASSERT_EQ(chain.kinds(), std::vector{DetectionKind::jwt});
    EXPECT_EQ(chain.steps[0].summary, "JWT (HS256), valid, expires in 0 seconds");
    EXPECT_EQ(chain.steps[0].details.at("expired"), "false");
}

// The golden corpus holds the chains that peel escapes before the structure behind them.
TEST(Orvel, HostileInputIsAnsweredNotCrashedOn) {
    EXPECT_FALSE(inspect(std::string(100'000, '[')).isRecognized());
    const DecodeChain nul = inspect(std::string("{\"a\":\"\0\"}", 9));
    EXPECT_FALSE(nul.isRecognized()); // a raw NUL inside a JSON string is a syntax error
    EXPECT_EQ(nul.input.size(), 9u);
    // Above the cap nothing is examined, at the cap everything is.
    const auto paddedArray = [](std::size_t size) { return "[" + std::string(size - 2, ' ') + "]"; };
    EXPECT_TRUE(inspect(paddedArray(Limits::maxInspectBytes)).isRecognized());
    EXPECT_FALSE(inspect(paddedArray(Limits::maxInspectBytes + 1)).isRecognized());
}

TEST(Orvel, StoppedInspectionAndScanGiveNothing) {
    const std::string token = testing::readTestData("security/jwt-rs256.txt");
    std::stop_source source;
    EXPECT_EQ(inspect(token, source.get_token()), inspect(token));
    source.request_stop();
    EXPECT_FALSE(inspect(token, source.get_token()));
    // clang-format off
    const auto none = [](ScanFinding&&) -> Scanner::Next { ADD_FAILURE(); return Scanner::Next::stop; };
    // clang-format on
    EXPECT_TRUE(scan(token, none, {.threads = 2, .stop = source.get_token()}).stopped);
}

// The engine's tables, expressions and per-thread match data serve every inspection at once;
// under the sanitizers this also looks for races between them.
TEST(Orvel, InspectionsOnSeveralThreadsAtOnceGiveTheSameChains) {
    std::vector<std::string> inputs{"security/jwt-rs256.txt",  "security/leaf-san.cert.pem",
                                    "gzip-json.b64",           "golden/inputs/order.xml",
                                    "plist/sample.bplist.b64", "golden/inputs/html-escaped-json.txt"};
    for (std::string& input : inputs) input = testing::readTestData(input);
    Clock::pin(1'800'000'000); // relative times must not move between the runs
    std::vector<DecodeChain> alone;
    for (const std::string& input : inputs) {
        alone.push_back(inspect(input));
        EXPECT_TRUE(alone.back().isRecognized()) << input;
    }
    std::vector<std::jthread> threads;
    for (std::size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t i = 0; i < 3 * inputs.size(); ++i) {
                const std::size_t input = (t + i) % inputs.size();
                EXPECT_EQ(inspect(inputs[input]), alone[input]) << "thread " << t << ", input " << input;
            }
        });
    }
    threads.clear(); // joins them
    Clock::pin(std::nullopt);
}

} // namespace
} // namespace orvel
