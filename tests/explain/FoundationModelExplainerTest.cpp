#include "orvel/FoundationModelExplainer.h"

#include <memory>

#include <gtest/gtest.h>

#include "orvel/ExplanationRequest.h"
#include "orvel/TemplateExplainer.h"
#include "support/FakeLanguageModel.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

using testing::FakeLanguageModel;

std::string explainWith(FakeLanguageModel::Behaviour behaviour, const DecodeChain& chain) {
    return FoundationModelExplainer(std::make_shared<FakeLanguageModel>(std::move(behaviour))).explain(chain);
}

TEST(FoundationModelExplainer, SendsTheRequestAndTrimsTheAnswer) {
    const auto model = std::make_shared<FakeLanguageModel>(
        FakeLanguageModel::Behaviour{.answer = " \t\nA signed token.\n\nIt expires soon. \u2028\n"});
    const DecodeChain chain = testing::jwtChain();
    EXPECT_EQ(FoundationModelExplainer(model).explain(chain), "A signed token.\n\nIt expires soon.");
    const ExplanationRequest request(chain);
    EXPECT_EQ(model->instructions(), request.instructions);
    EXPECT_EQ(model->prompt(), request.prompt);
}

TEST(FoundationModelExplainer, FallsBackToTheTemplateText) {
    const DecodeChain chain = testing::bcryptChain("12", {{"security", "bcrypt with cost 12 — adequate work factor."}});
    const std::string templateText = TemplateExplainer().explainSync(chain);
    EXPECT_EQ(explainWith({.unavailabilityReason = "model assets are downloading", .answer = "unused"}, chain), templateText);
    EXPECT_EQ(explainWith({.answer = std::nullopt}, chain), templateText);
    EXPECT_EQ(explainWith({.answer = ""}, chain), templateText);
    EXPECT_EQ(explainWith({.answer = " \n\t\u00A0\u3000\r\n"}, chain), templateText);
    // A model that answers in broken UTF-8 still yields valid text.
    EXPECT_EQ(explainWith({.answer = "ok \xff"}, chain), "ok \uFFFD");

    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(FoundationModelExplainer(std::make_shared<FakeLanguageModel>(FakeLanguageModel::Behaviour{.answer = "late"}))
                  .explain(chain, stop.get_token()),
              templateText);
}

TEST(FoundationModelExplainer, SystemModelIsUnavailableWithAReason) {
    const auto model = systemLanguageModel();
    EXPECT_FALSE(model->isAvailable());
    ASSERT_TRUE(model->unavailabilityReason());
    EXPECT_FALSE(model->unavailabilityReason()->empty());
    const DecodeChain chain = testing::jwtChain();
    EXPECT_EQ(FoundationModelExplainer().explain(chain), TemplateExplainer().explainSync(chain));
}

} // namespace
} // namespace orvel
