#include "orvel/FoundationModelExplainer.h"

#include <optional>
#include <utility>

#include "orvel/ExplanationRequest.h"
#include "orvel/TemplateExplainer.h"
#include "orvel/Unicode.h"
#include "text/Text.h"

namespace orvel {

FoundationModelExplainer::FoundationModelExplainer(std::shared_ptr<const LanguageModel> model)
    : m_model(std::move(model)) {}

std::string FoundationModelExplainer::explain(const DecodeChain& chain, std::stop_token stop) const {
    std::optional<std::string> answer = modelAnswer(chain, stop);
    return answer ? std::move(*answer) : TemplateExplainer().explainSync(chain);
}

std::optional<std::string> FoundationModelExplainer::modelAnswer(const DecodeChain& chain, std::stop_token stop) const {
    if (!m_model->isAvailable()) return std::nullopt;
    const ExplanationRequest request(chain);
    const std::optional<std::string> answer = m_model->respond(request.instructions, request.prompt, stop);
    if (!answer || stop.stop_requested()) return std::nullopt;
    // Every text of the system is valid UTF-8; a model that breaks that must not break us.
    const std::string text = Unicode::toValidUTF8(*answer);
    const std::string_view trimmed = Text::trimmed(text);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

} // namespace orvel
