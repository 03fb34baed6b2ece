// The explanation layer: the model request, the template text, the model explainer with its
// fallback, the choice between them and the background task. The golden corpus holds the
// prompt and the template text of every sample chain; these tests hold the rules it cannot show.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "orvel/ExplanationRequest.h"
#include "orvel/ExplanationTask.h"
#include "orvel/FoundationModelExplainer.h"
#include "orvel/LanguageModel.h"
#include "orvel/OrvelExplain.h"
#include "orvel/TemplateExplainer.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

// A language model that answers what it is told to, remembers what it was asked, and can hold a
// request open until it is stopped, the way a slow model would.
class FakeLanguageModel final : public LanguageModel {
public:
    struct Behaviour {
        std::optional<std::string> unavailabilityReason = std::nullopt; ///< nothing: available
        std::optional<std::string> answer = std::nullopt;               ///< nothing: the request fails
        bool blockUntilStopped = false;
    };
    explicit FakeLanguageModel(Behaviour behaviour) : m_behaviour(std::move(behaviour)) {}
    std::optional<std::string> unavailabilityReason() const override { return m_behaviour.unavailabilityReason; }
    std::optional<std::string> respond(std::string_view instructions, std::string_view prompt,
                                       std::stop_token stop) const override {
        std::unique_lock lock(m_mutex);
        m_instructions = instructions;
        m_prompt = prompt;
        ++m_requests;
        if (m_behaviour.blockUntilStopped) std::condition_variable_any().wait(lock, stop, [] { return false; });
        return m_behaviour.answer;
    }
    // clang-format off
    std::string instructions() const { std::scoped_lock lock(m_mutex); return m_instructions; }
    std::string prompt() const { std::scoped_lock lock(m_mutex); return m_prompt; }
    int requests() const { std::scoped_lock lock(m_mutex); return m_requests; }

private:
    Behaviour m_behaviour;
    // clang-format on
    mutable std::mutex m_mutex;
    mutable std::string m_instructions;
    mutable std::string m_prompt;
    mutable int m_requests = 0;
};

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    while (count-- > 0) text += piece;
    return text;
}

std::shared_ptr<FakeLanguageModel> model(FakeLanguageModel::Behaviour behaviour) {
    return std::make_shared<FakeLanguageModel>(std::move(behaviour));
}

// Both sides of the cut, for characters of one to four bytes and of one or two scalars; the raw
// input is never trimmed, or the line breaks would be gone.
TEST(ExplanationRequest, UnrecognisedInputIsCutAt400UserPerceivedCharacters) {
    const std::string header = ExplanationRequest(DecodeChain{}).prompt; // the golden corpus holds its text
    for (const std::string_view character : {"a", "\U0001F600", "e\u0301", "\U0001F1E9\U0001F1EA", "\r\n"}) {
        const std::string limit = repeated(character, 400);
        EXPECT_EQ(ExplanationRequest(DecodeChain{limit, {}}).prompt, header + limit);
        EXPECT_EQ(ExplanationRequest(DecodeChain{limit + std::string(character), {}}).prompt, header + limit + "…");
    }
}

TEST(ExplanationRequest, FactsAreCutAt200AndTheFinalValueAt600ButNotesAreWhole) {
    // Facts and notes split by the explanation-key rule, each in code-point order.
    const std::string longNote = repeated("\u00E9", 700);
    // clang-format off
    const Details details{{"Zone", "line one\nline two"}, {"a", repeated("b", 200)}, {"c", repeated("d", 201)},
                          {"note", "plain"},  {"relative", "r"}, {"security", longNote}, {"next_steps", "x"},
                          {"jti_meaning", "m"}, {"exp_relative", "in 2 hours"}};
    DecodeChain chain{"x", {{DetectionKind::hex, "y", 0.6, "S", details, false},
                            {DetectionKind::json, repeated("\U0001F600", 601), 0.95, "J", {}, true}}};
    // clang-format on
    EXPECT_EQ(ExplanationRequest(chain).prompt,
              "Decode shape: hex → json\n\nLayer 1 — hex: S\n  Facts:\n    - Zone: line one\nline two\n    - a: " +
                  repeated("b", 200) + "\n    - c: " + repeated("d", 200) +
                  "…\n    - note: plain\n    - relative: r\n  Engine notes:\n    - in 2 hours\n    - m\n    - x\n"
                  "    - " +
                  longNote + "\nLayer 2 — json: J\n\nFinal decoded value:\n" + repeated("\U0001F600", 600) + "…");
    chain.steps.back().output = repeated("\U0001F600", 600);
    EXPECT_TRUE(ExplanationRequest(chain).prompt.ends_with("\nFinal decoded value:\n" + repeated("\U0001F600", 600)));
}

// The golden corpus shows the template text of real chains: security with and without advice,
// neither, and a summary ending in a full stop. These are the slots it cannot show.
TEST(TemplateExplainer, EachNoteSlotKeepsTheFirstValueAcrossSteps) {
    const std::pair<DecodeChain, std::string> cases[] = {
        // clang-format off
        {DecodeChain{"$2b$12$whatever", {}}, "Not recognized as a known artifact. It may be plain text, an unsupported "
                                             "format, or only a fragment — try pasting more context."},
        {testing::bcryptChain("10", {{"recommendation", "Only advice."}, {"meaning", "m"}}),
         "This is bcrypt password hash (cost 10). Next: Only advice."},
        {DecodeChain{"x",
                     {{DetectionKind::base64, "y", 0.7, "outer", {{"security", "outer risk"}, {"z_note", "o"}}, false},
                      {DetectionKind::hash, "z", 0.5, "inner",
                       {{"security", "inner risk"}, {"recommendation", "inner advice"}}, true}}},
         "This is a base64 → hash chain: outer. Security: outer risk Next: inner advice"},
    };
    // clang-format on
    for (const auto& [chain, text] : cases) {
        EXPECT_EQ(TemplateExplainer().explainSync(chain), text);
        EXPECT_EQ(TemplateExplainer().explain(chain), text);
    }
}

TEST(FoundationModelExplainer, SendsTheRequestAndTrimsTheAnswerOrFallsBackToTheTemplate) {
    const DecodeChain chain = testing::jwtChain();
    const auto answering = model({.answer = " \t\nA signed token.\n\nIt expires soon. \u2028\n"});
    EXPECT_EQ(FoundationModelExplainer(answering).explain(chain), "A signed token.\n\nIt expires soon.");
    EXPECT_EQ(answering->instructions(), ExplanationRequest(chain).instructions);
    EXPECT_EQ(answering->prompt(), ExplanationRequest(chain).prompt);
    // A model that answers in broken UTF-8 still yields valid text.
    EXPECT_EQ(FoundationModelExplainer(model({.answer = "ok \xff"})).explain(chain), "ok \uFFFD");
    // Unavailable, failing, empty or blank answers, and a stopped request.
    const std::string templateText = TemplateExplainer().explainSync(chain);
    using Behaviour = FakeLanguageModel::Behaviour;
    for (const Behaviour& behaviour : {Behaviour{.unavailabilityReason = "loading", .answer = "unused"}, Behaviour{},
                                       Behaviour{.answer = ""}, Behaviour{.answer = " \n\t\u00A0\u3000\r\n"}}) {
        EXPECT_EQ(FoundationModelExplainer(model(behaviour)).explain(chain), templateText);
    }
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(FoundationModelExplainer(model({.answer = "late"})).explain(chain, stop.get_token()), templateText);
}

TEST(OrvelExplain, ChoosesByAvailabilityAtEachCall) {
    const DecodeChain chain = testing::jwtChain();
    const std::string templateText = TemplateExplainer().explainSync(chain);
    EXPECT_EQ(OrvelExplain::currentSource(), ExplainerSource::deterministic);
    EXPECT_EQ(OrvelExplain::explain(chain), templateText);
    EXPECT_NE(dynamic_cast<TemplateExplainer*>(OrvelExplain::bestExplainer().get()), nullptr);
    const auto unavailable = model({.unavailabilityReason = "not ready", .answer = "model text"});
    EXPECT_EQ(OrvelExplain::currentSource(*unavailable), ExplainerSource::deterministic);
    EXPECT_EQ(OrvelExplain::explain(chain, {}, unavailable), templateText);
    EXPECT_EQ(unavailable->requests(), 0);
    const auto available = model({.answer = "model text"});
    EXPECT_EQ(OrvelExplain::currentSource(*available), ExplainerSource::onDeviceAI);
    EXPECT_NE(dynamic_cast<FoundationModelExplainer*>(OrvelExplain::bestExplainer(available).get()), nullptr);
    EXPECT_EQ(OrvelExplain::explain(chain, {}, available), "model text");
    EXPECT_EQ(available->requests(), 1);
    // The raw values are identifiers, not the labels shown.
    EXPECT_EQ(explainerSourceFromRawValue(rawValue(ExplainerSource::onDeviceAI)), ExplainerSource::onDeviceAI);
    EXPECT_EQ(explainerSourceFromRawValue("On-device AI"), std::nullopt);
}

TEST(ExplanationTask, DeliversTheAnswerOffTheCallingThreadOnce) {
    std::atomic<int> finished = 0;
    ExplanationTask task(
        testing::jwtChain(), [&] { ++finished; }, model({.answer = " From the model. "}));
    EXPECT_EQ(task.source(), ExplainerSource::onDeviceAI);
    while (!task.isReady()) std::this_thread::yield();
    EXPECT_EQ(task.take(), "From the model.");
    EXPECT_FALSE(task.isReady() || task.take() || task.isCancelled());
    EXPECT_EQ(ExplanationTask(testing::jwtChain()).take(), TemplateExplainer().explainSync(testing::jwtChain()));
    task = ExplanationTask(DecodeChain{}, {}, systemLanguageModel()); // joins the finished worker first
    EXPECT_EQ(finished, 1);
}

TEST(ExplanationTask, CancellingReplacingOrDroppingStopsAWaitingModel) {
    const auto waiting = model({.answer = "never seen", .blockUntilStopped = true});
    ExplanationTask task(testing::jwtChain(), {}, waiting);
    EXPECT_EQ(task.source(), ExplainerSource::onDeviceAI); // the label stays although the text falls back
    EXPECT_FALSE(task.isReady());                          // the model holds the request until it is stopped
    task.cancel();
    EXPECT_TRUE(task.isCancelled());
    EXPECT_EQ(task.take(), TemplateExplainer().explainSync(testing::jwtChain()));
    EXPECT_EQ(waiting->requests(), 1);
    // Neither statement may hang: replacement and destruction cancel the worker they wait for.
    ExplanationTask replaced(testing::jwtChain(), {}, model({.answer = "x", .blockUntilStopped = true}));
    replaced = ExplanationTask(testing::jwtChain(), {}, model({.answer = "x", .blockUntilStopped = true}));
    { ExplanationTask dropped(testing::jwtChain(), {}, model({.answer = "x", .blockUntilStopped = true})); }
    replaced.cancel();
    EXPECT_TRUE(replaced.take().has_value());
}

} // namespace
} // namespace orvel
