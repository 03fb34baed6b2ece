#include "orvel/OrvelExplain.h"

#include <utility>

#include "orvel/FoundationModelExplainer.h"
#include "orvel/TemplateExplainer.h"

namespace orvel::OrvelExplain {

std::unique_ptr<ArtifactExplainer> bestExplainer(std::shared_ptr<const LanguageModel> model) {
    if (model->isAvailable()) return std::make_unique<FoundationModelExplainer>(std::move(model));
    return std::make_unique<TemplateExplainer>();
}

ExplainerSource currentSource(const LanguageModel& model) {
    return model.isAvailable() ? ExplainerSource::onDeviceAI : ExplainerSource::deterministic;
}

std::string explain(const DecodeChain& chain, std::stop_token stop, std::shared_ptr<const LanguageModel> model) {
    return bestExplainer(std::move(model))->explain(chain, std::move(stop));
}

} // namespace orvel::OrvelExplain
