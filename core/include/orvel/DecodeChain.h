#pragma once

#include <string>
#include <vector>

#include "orvel/DecodeResult.h"

namespace orvel {

/// Raw kind values joined by " → ": a chain's shape as every front end shows it.
std::string joinedShape(const std::vector<std::string>& rawValues);

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
    /// The raw value of every step's kind, in order.
    std::vector<std::string> rawShape() const;
    /// The shape as text: rawShape() joined by " → ".
    std::string shapeText() const { return joinedShape(rawShape()); }

    /// Equal inputs (canonically) and equal steps position by position.
    friend bool operator==(const DecodeChain& a, const DecodeChain& b);
};

} // namespace orvel
