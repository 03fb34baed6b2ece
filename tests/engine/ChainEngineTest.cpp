#include "orvel/ChainEngine.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <stop_token>

#include <gtest/gtest.h>

#include "detectors/JWTDetector.h"
#include "orvel/Clock.h"
#include "orvel/Limits.h"

namespace orvel {
namespace {

// A detector whose answer is a function of its input; counts its calls.
class StubDetector final : public Detector {
public:
    using Rule = std::function<std::optional<DecodeResult>(std::string_view)>;
    explicit StubDetector(Rule rule) : m_rule(std::move(rule)) {}
    DetectionKind kind() const override { return DetectionKind::base64; }
    mutable std::atomic<int> calls{0};

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext&) const override {
        ++calls;
        return m_rule(text);
    }
    Rule m_rule;
};

DecodeResult result(DetectionKind kind, std::string output, double confidence, bool terminal = false) {
    return DecodeResult{kind, std::move(output), confidence, "stub", {}, terminal};
}

// Maps one exact text to one result.
std::shared_ptr<StubDetector> when(std::string input, DecodeResult answer) {
    return std::make_shared<StubDetector>([input, answer](std::string_view text) -> std::optional<DecodeResult> {
        if (text == input) return answer;
        return std::nullopt;
    });
}

std::vector<std::string> outputs(const DecodeChain& chain) {
    std::vector<std::string> all;
    for (const auto& step : chain.steps) all.push_back(step.output);
    return all;
}

TEST(ChainEngine, ThresholdIsInclusiveAndNaNNeverPasses) {
    const double threshold = ChainEngine::standardThreshold;
    const ChainEngine engine({when("a", result(DetectionKind::hex, "done", threshold, true))});
    EXPECT_EQ(engine.inspect("a").steps.size(), 1u);

    const ChainEngine below({when("a", result(DetectionKind::hex, "done", std::nextafter(threshold, 0.0), true))});
    EXPECT_FALSE(below.inspect("a").isRecognized());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ChainEngine notANumber({when("a", result(DetectionKind::hex, "done", nan, true))});
    EXPECT_FALSE(notANumber.inspect("a").isRecognized());
}

TEST(ChainEngine, HighestConfidenceWinsAndRegistryOrderBreaksTies) {
    const ChainEngine engine({when("x", result(DetectionKind::hex, "first", 0.7, true)),
                              when("x", result(DetectionKind::base32, "second", 0.9, true)),
                              when("x", result(DetectionKind::base58, "third", 0.9, true))});
    EXPECT_EQ(engine.inspect("x").kinds(), std::vector{DetectionKind::base32});

    const ChainEngine tie({when("x", result(DetectionKind::hex, "first", 0.8, true)),
                           when("x", result(DetectionKind::base32, "second", 0.8, true))});
    EXPECT_EQ(tie.inspect("x").kinds(), std::vector{DetectionKind::hex});
}

TEST(ChainEngine, NonTerminalResultMustMakeProgressTerminalMayRepeat) {
    // Same text back, even at full confidence, is no progress: the weaker real answer wins.
    const ChainEngine engine({when("same", result(DetectionKind::hex, "same", 1.0)),
                              when("same", result(DetectionKind::json, "other", 0.6, true))});
    EXPECT_EQ(engine.inspect("same").kinds(), std::vector{DetectionKind::json});

    const ChainEngine onlyRepeat({when("same", result(DetectionKind::hex, "same", 1.0))});
    EXPECT_FALSE(onlyRepeat.inspect("same").isRecognized());

    // Canonically equal texts count as the same: é precomposed and decomposed.
    const ChainEngine canonical({when("\u00e9", result(DetectionKind::hex, "e\u0301", 1.0))});
    EXPECT_FALSE(canonical.inspect("\u00e9").isRecognized());

    const ChainEngine terminal({when("{}", result(DetectionKind::json, "{}", 0.95, true))});
    const DecodeChain chain = terminal.inspect("{}");
    EXPECT_EQ(chain.steps.size(), 1u);
    EXPECT_EQ(chain.finalValue(), "{}");
}

TEST(ChainEngine, TerminalStepEndsTheChainWithDepthToSpare) {
    auto after = when("b", result(DetectionKind::hex, "c", 0.9));
    const ChainEngine engine({when("a", result(DetectionKind::json, "b", 0.9, true)), after});
    EXPECT_EQ(outputs(engine.inspect("a")), std::vector<std::string>{"b"});
    EXPECT_EQ(after->calls, 1);  // consulted on the first pass only
}

TEST(ChainEngine, CycleStopsAtTheRepeatedText) {
    const ChainEngine engine({when("A", result(DetectionKind::hex, "B", 0.9)), when("B", result(DetectionKind::hex, "A", 0.9))});
    const DecodeChain chain = engine.inspect("A");
    EXPECT_EQ(outputs(chain), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(chain.finalValue(), "A");
}

TEST(ChainEngine, DepthLimitBoundsTheChain) {
    // Every text decodes to itself plus one character: an endless onion.
    auto grow = std::make_shared<StubDetector>(
        [](std::string_view text) -> std::optional<DecodeResult> { return result(DetectionKind::hex, std::string(text) + "+", 0.9); });
    EXPECT_EQ(ChainEngine({grow}).inspect("x").steps.size(), std::size_t{ChainEngine::standardMaxDepth});
    EXPECT_EQ(ChainEngine({grow}, ChainEngine::standardThreshold, 3).inspect("x").steps.size(), 3u);

    const int before = grow->calls;
    EXPECT_FALSE(ChainEngine({grow}, ChainEngine::standardThreshold, 0).inspect("x").isRecognized());
    EXPECT_FALSE(ChainEngine({grow}, ChainEngine::standardThreshold, -1).inspect("x").isRecognized());
    EXPECT_EQ(grow->calls, before);  // depth 0 consults nobody
}

TEST(ChainEngine, ChainStopsPeelingOnceItsOutputReachesTheCap) {
    // Every pass unwraps another layer of `layer` bytes (a new letter each time, so no cycle).
    const auto layersOf = [](std::size_t layer) {
        return std::make_shared<StubDetector>([layer](std::string_view text) -> std::optional<DecodeResult> {
            const char next = static_cast<char>('a' + (text.front() - 'a' + 1) % 26);
            return result(DetectionKind::gzip, std::string(layer, next), 0.9);
        });
    };
    const std::size_t quarter = Limits::maxChainOutputBytes / 4;
    EXPECT_EQ(ChainEngine({layersOf(quarter)}).inspect("a").steps.size(), 4u);      // exactly the cap
    EXPECT_EQ(ChainEngine({layersOf(quarter - 1)}).inspect("a").steps.size(), 5u);  // just below it
}

TEST(ChainEngine, OnlyTheFirstPassIsTrimmedAndTheInputIsKept) {
    std::vector<std::string> seen;
    auto recorder = std::make_shared<StubDetector>([&seen](std::string_view text) -> std::optional<DecodeResult> {
        seen.emplace_back(text);
        if (text == "abc") return result(DetectionKind::hex, "  padded \n", 0.9);
        return std::nullopt;
    });
    const ChainEngine engine({recorder});
    const DecodeChain chain = engine.inspect(" \t\r\n\u00a0abc\u2028\u3000 ");
    EXPECT_EQ(seen, (std::vector<std::string>{"abc", "  padded \n"}));
    EXPECT_EQ(chain.input, " \t\r\n\u00a0abc\u2028\u3000 ");

    seen.clear();
    const DecodeChain blank = engine.inspect(" \n\t ");
    EXPECT_EQ(seen, std::vector<std::string>{""});
    EXPECT_EQ(blank.input, " \n\t ");
    EXPECT_EQ(blank.finalValue(), " \n\t ");
}

TEST(ChainEngine, StopRequestOrDeadlineAbandonsTheChain) {
    std::stop_source source;
    auto stopper = std::make_shared<StubDetector>([&source](std::string_view text) -> std::optional<DecodeResult> {
        if (text == "stop") source.request_stop();
        return std::nullopt;
    });
    auto json = std::make_shared<StubDetector>(
        [](std::string_view) -> std::optional<DecodeResult> { return result(DetectionKind::json, "{}", 0.95, true); });
    const ChainEngine engine({stopper, json});
    const ChainEngine::Cutoff onRequest{source.get_token()};
    EXPECT_EQ(engine.inspect("go", onRequest), engine.inspect("go"));
    EXPECT_FALSE(engine.inspect("stop", onRequest));
    EXPECT_EQ(json->calls, 2);  // the detector after the request is not consulted
    EXPECT_FALSE(engine.inspect("go", onRequest));
    EXPECT_EQ(json->calls, 2);
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
    auto ticking = std::make_shared<StubDetector>([](std::string_view) -> std::optional<DecodeResult> {
        Clock::pin(Clock::now() + 1);
        return std::nullopt;
    });
    Clock::pin(1'800'000'000);
    const DecodeChain chain = ChainEngine({ticking, std::make_shared<JWTDetector>()}).inspect(token);
    Clock::pin(std::nullopt);
    ASSERT_EQ(chain.kinds(), std::vector{DetectionKind::jwt});
    EXPECT_EQ(chain.steps[0].summary, "JWT (HS256), valid, expires in 0 seconds");
    EXPECT_EQ(chain.steps[0].details.at("expired"), "false");
}

} // namespace
} // namespace orvel
