#pragma once

#include <string>

#include "orvel/DecodeChain.h"

namespace orvel {

/// What a language model is given to explain one chain: the fixed instruction text and a prompt
/// laying out every fact the engine found, layer by layer.
struct ExplanationRequest {
    /// The request for `chain`.
    explicit ExplanationRequest(const DecodeChain& chain);

    std::string instructions; ///< the model's role and rules; the same for every chain
    std::string prompt;       ///< the chain's facts and notes, cut where values are long
    bool isRecognized;        ///< the chain had at least one step

    friend bool operator==(const ExplanationRequest& a, const ExplanationRequest& b) = default;
};

} // namespace orvel
