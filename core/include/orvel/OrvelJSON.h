#pragma once

#include <string>
#include <vector>

#include "orvel/DecodeChain.h"
#include "orvel/ScanFinding.h"

// The machine-readable export: pretty JSON with sorted keys and unescaped slashes.
namespace orvel::OrvelJSON {

/// The export document of one chain: finalValue, input, recognized, shape, steps.
std::string string(const DecodeChain& chain);

/// The export document of a scan: count and findings (line, matchedText, shape, chain).
std::string string(const std::vector<ScanFinding>& findings);

} // namespace orvel::OrvelJSON
