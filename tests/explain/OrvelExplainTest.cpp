#include "orvel/OrvelExplain.h"

#include <gtest/gtest.h>

#include "orvel/FoundationModelExplainer.h"
#include "orvel/TemplateExplainer.h"
#include "support/FakeLanguageModel.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

using testing::FakeLanguageModel;

TEST(OrvelExplain, ChoosesByAvailabilityAtEachCall) {
    const DecodeChain chain = testing::jwtChain();
    const std::string templateText = TemplateExplainer().explainSync(chain);

    EXPECT_EQ(OrvelExplain::currentSource(), ExplainerSource::deterministic);
    EXPECT_EQ(OrvelExplain::explain(chain), templateText);
    EXPECT_NE(dynamic_cast<TemplateExplainer*>(OrvelExplain::bestExplainer().get()), nullptr);

    const auto unavailable = std::make_shared<FakeLanguageModel>(
        FakeLanguageModel::Behaviour{.unavailabilityReason = "not ready", .answer = "model text"});
    EXPECT_EQ(OrvelExplain::currentSource(*unavailable), ExplainerSource::deterministic);
    EXPECT_EQ(OrvelExplain::explain(chain, {}, unavailable), templateText);
    EXPECT_EQ(unavailable->requests(), 0);

    const auto available = std::make_shared<FakeLanguageModel>(FakeLanguageModel::Behaviour{.answer = "model text"});
    EXPECT_EQ(OrvelExplain::currentSource(*available), ExplainerSource::onDeviceAI);
    EXPECT_NE(dynamic_cast<FoundationModelExplainer*>(OrvelExplain::bestExplainer(available).get()), nullptr);
    EXPECT_EQ(OrvelExplain::explain(chain, {}, available), "model text");
    EXPECT_EQ(available->requests(), 1);
}

TEST(ExplainerSource, RawValuesAreTheLabels) {
    EXPECT_EQ(rawValue(ExplainerSource::onDeviceAI), "on-device AI");
    EXPECT_EQ(rawValue(ExplainerSource::deterministic), "deterministic");
    EXPECT_EQ(explainerSourceFromRawValue("on-device AI"), ExplainerSource::onDeviceAI);
    EXPECT_EQ(explainerSourceFromRawValue("deterministic"), ExplainerSource::deterministic);
    EXPECT_EQ(explainerSourceFromRawValue("On-device AI"), std::nullopt);
    EXPECT_EQ(explainerSourceFromRawValue("onDeviceAI"), std::nullopt);
    EXPECT_EQ(explainerSourceFromRawValue(""), std::nullopt);
}

} // namespace
} // namespace orvel
