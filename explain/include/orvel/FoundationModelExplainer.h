#pragma once

#include <memory>
#include <string>

#include "orvel/ArtifactExplainer.h"
#include "orvel/LanguageModel.h"

namespace orvel {

/// Explains a chain by asking an on-device language model, with the engine's facts as ground
/// truth; falls back to the template explanation whenever the model is unavailable, fails, is
/// stopped or answers with nothing.
class FoundationModelExplainer final : public ArtifactExplainer {
public:
    /// An explainer that asks `model`.
    explicit FoundationModelExplainer(std::shared_ptr<const LanguageModel> model = systemLanguageModel());

    /// The model's answer, trimmed of white space and line breaks, or the template text.
    std::string explain(const DecodeChain& chain, std::stop_token stop = {}) const override;
    /// The model's answer alone, trimmed, or nothing when the model is unavailable, fails, is
    /// stopped or answers with nothing.
    std::optional<std::string> modelAnswer(const DecodeChain& chain, std::stop_token stop = {}) const;

private:
    std::shared_ptr<const LanguageModel> m_model;
};

} // namespace orvel
