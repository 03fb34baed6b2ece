#pragma once

#include <string>

#include "orvel/ArtifactExplainer.h"

namespace orvel {

/// Explains a chain without a language model: one sentence naming the artifact, then the
/// engine's security note and recommended next step (or, lacking both, its first other note).
class TemplateExplainer final : public ArtifactExplainer {
public:
    /// Returns explainSync(chain) at once; there is nothing to cancel.
    std::string explain(const DecodeChain& chain, std::stop_token stop = {}) const override;
    /// The template explanation of `chain`; deterministic and instantaneous.
    std::string explainSync(const DecodeChain& chain) const;
};

} // namespace orvel
