#pragma once

#include <map>
#include <string>

#include "orvel/DetectionKind.h"

namespace orvel {

/// Named facts and notes of one step, in ascending key order.
using Details = std::map<std::string, std::string>;

/// One decoding step: what was recognised, what it became and what the detector learnt.
struct DecodeResult {
    DetectionKind kind;
    std::string output;  ///< the decoded text; the next pass's input unless terminal
    double confidence;   ///< 0 to 1
    std::string summary; ///< one human-readable line
    Details details;
    bool terminal; ///< the output is a final rendering; the chain ends here

    /// Equal when every field is equal, texts compared by canonical equivalence.
    friend bool operator==(const DecodeResult& a, const DecodeResult& b);
};

} // namespace orvel
