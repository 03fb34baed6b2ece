#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "orvel/DecodeChain.h"

namespace orvel {

/// One artifact found inside a longer text.
struct ScanFinding {
    std::string matchedText; ///< the exact stretch that was inspected, untrimmed
    int line = 0;            ///< 1-based line on which the stretch begins
    DecodeChain chain;       ///< the engine's chain for matchedText; never empty
    std::size_t offset = 0;  ///< byte at which matchedText begins in the scanned text

    /// The kind of the chain's first step.
    std::optional<DetectionKind> kind() const {
        return chain.steps.empty() ? std::nullopt : std::optional(chain.steps.front().kind);
    }

    friend bool operator==(const ScanFinding& a, const ScanFinding& b) {
        return a.matchedText == b.matchedText && a.line == b.line && a.chain == b.chain && a.offset == b.offset;
    }
};

} // namespace orvel
