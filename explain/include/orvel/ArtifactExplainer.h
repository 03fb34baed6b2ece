#pragma once

#include <stop_token>
#include <string>

#include "orvel/DecodeChain.h"

namespace orvel {

/// Turns a chain into a few plain-English sentences. Implementations hold no shared mutable
/// state, so one instance may serve several threads at once.
class ArtifactExplainer {
public:
    virtual ~ArtifactExplainer() = default;
    /// The explanation of `chain`; never fails. It may block for a while (a model request), so
    /// interactive callers run it off their main thread and pass a stop token to cancel it:
    /// once a stop is requested the explainer gives up on the model and answers with the
    /// template text.
    virtual std::string explain(const DecodeChain& chain, std::stop_token stop = {}) const = 0;
};

} // namespace orvel
