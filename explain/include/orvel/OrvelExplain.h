#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "orvel/ArtifactExplainer.h"
#include "orvel/ExplainerSource.h"
#include "orvel/LanguageModel.h"

// Chooses the explainer: the on-device model when it is available at the moment of asking,
// the templates otherwise. Every choice queries availability afresh.
namespace orvel::OrvelExplain {

/// A model explainer when `model` is available now, otherwise a template explainer.
std::unique_ptr<ArtifactExplainer> bestExplainer(std::shared_ptr<const LanguageModel> model = systemLanguageModel());

/// onDeviceAI when `model` is available now, otherwise deterministic.
ExplainerSource currentSource(const LanguageModel& model = *systemLanguageModel());

/// The explanation of `chain` from bestExplainer(model); never fails. Blocks while the model
/// answers: call it directly from the command line, off the main thread from an interface.
std::string explain(const DecodeChain& chain, std::stop_token stop = {},
                    std::shared_ptr<const LanguageModel> model = systemLanguageModel());

} // namespace orvel::OrvelExplain
