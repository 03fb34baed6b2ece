#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvel/DecodeChain.h"

namespace orvel {

/// One remembered inspection: what was inspected, what it turned out to be, and when.
struct HistoryEntry {
    /// Stores the four fields unchanged.
    HistoryEntry(std::string input, std::vector<std::string> shape, bool recognized, std::int64_t timestamp);
    /// The entry for `chain` inspected from `input`: its shape as raw kind values and whether it was recognised.
    HistoryEntry(std::string input, const DecodeChain& chain, std::int64_t timestamp);

    std::string input;              ///< the inspected text, untrimmed
    std::vector<std::string> shape; ///< raw values of the chain's kinds in step order
    bool recognized;                ///< the chain had at least one step
    std::int64_t timestamp;         ///< seconds since 1970-01-01T00:00:00Z

    /// The identity of the entry in a list: its input.
    const std::string& id() const { return input; }
    /// The shape joined by " → " for a recognised entry, otherwise "unrecognized".
    std::string shapeLabel() const;

    /// Equal when all four fields are equal, texts compared by canonical equivalence.
    friend bool operator==(const HistoryEntry& a, const HistoryEntry& b);
};

} // namespace orvel
