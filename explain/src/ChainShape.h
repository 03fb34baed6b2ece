#pragma once

#include <string>

#include "orvel/DecodeChain.h"

namespace orvel {

/// The raw values of the chain's kinds in step order, joined by " → ".
inline std::string chainShape(const DecodeChain& chain) {
    std::string shape;
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        if (i > 0) shape += " → ";
        shape += rawValue(chain.steps[i].kind);
    }
    return shape;
}

} // namespace orvel
