#include "orvel/ExplanationTask.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "orvel/TemplateExplainer.h"
#include "support/FakeLanguageModel.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

using testing::FakeLanguageModel;

std::shared_ptr<FakeLanguageModel> slowModel() {
    return std::make_shared<FakeLanguageModel>(
        FakeLanguageModel::Behaviour{.answer = "never seen", .blockUntilStopped = true});
}

TEST(ExplanationTask, DeliversTheAnswerOffTheCallingThread) {
    std::atomic<int> finished = 0;
    ExplanationTask task(
        testing::jwtChain(), [&] { ++finished; },
        std::make_shared<FakeLanguageModel>(FakeLanguageModel::Behaviour{.answer = " From the model. "}));
    EXPECT_EQ(task.source(), ExplainerSource::onDeviceAI);
    while (!task.isReady()) std::this_thread::yield();
    EXPECT_EQ(task.take(), "From the model.");
    EXPECT_FALSE(task.isReady());
    EXPECT_EQ(task.take(), std::nullopt);
    EXPECT_FALSE(task.isCancelled());

    ExplanationTask deterministic(testing::jwtChain());
    EXPECT_EQ(deterministic.source(), ExplainerSource::deterministic);
    EXPECT_EQ(deterministic.take(), TemplateExplainer().explainSync(testing::jwtChain()));

    task = ExplanationTask(DecodeChain{}, {}, systemLanguageModel());  // joins the finished worker first
    EXPECT_EQ(finished, 1);
}

TEST(ExplanationTask, CancellingAWaitingModelGivesTheTemplateText) {
    const auto model = slowModel();
    ExplanationTask task(testing::jwtChain(), {}, model);
    EXPECT_EQ(task.source(), ExplainerSource::onDeviceAI);  // the label stays although the text falls back
    EXPECT_FALSE(task.isReady());  // the model holds the request until it is stopped
    task.cancel();
    EXPECT_TRUE(task.isCancelled());
    EXPECT_EQ(task.take(), TemplateExplainer().explainSync(testing::jwtChain()));
    EXPECT_EQ(model->requests(), 1);
}

TEST(ExplanationTask, ReplacingOrDroppingATaskStopsItsModel) {
    // Neither statement may hang: replacement and destruction cancel the worker they wait for.
    ExplanationTask task(testing::jwtChain(), {}, slowModel());
    task = ExplanationTask(testing::jwtChain(), {}, slowModel());
    { ExplanationTask dropped(testing::jwtChain(), {}, slowModel()); }
    task.cancel();
    EXPECT_TRUE(task.take().has_value());
}

} // namespace
} // namespace orvel
