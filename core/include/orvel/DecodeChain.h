#pragma once

#include <string>
#include <vector>

#include "orvel/DecodeResult.h"

namespace orvel {

/// The outcome of inspecting one text: the untrimmed input and the steps taken.
struct DecodeChain {
    std::string input;
    std::vector<DecodeResult> steps;

    /// True when at least one step was taken.
    bool isRecognized() const { return !steps.empty(); }
    /// The last step's output, or the input when nothing was recognised.
    const std::string& finalValue() const { return steps.empty() ? input : steps.back().output; }
    /// The kind of every step, in order: the chain's shape.
    std::vector<DetectionKind> kinds() const;

    /// Equal inputs (canonically) and equal steps position by position.
    friend bool operator==(const DecodeChain& a, const DecodeChain& b);
};

} // namespace orvel
