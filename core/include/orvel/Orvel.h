#pragma once

#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"
#include "orvel/Scanner.h"

namespace orvel {

/// The engine with the standard configuration: every detector, ChainEngine::standardThreshold
/// and ChainEngine::standardMaxDepth.
const ChainEngine& standardEngine();

/// The decode chain of `text` under the standard configuration. Invalid UTF-8 is replaced by
/// U+FFFD first; a text above the inspection cap is returned unrecognised.
DecodeChain inspect(std::string_view text);

/// Every artifact found in `text` under the standard configuration, in text order. Invalid
/// UTF-8 is replaced by U+FFFD first, which keeps every line number where it was.
std::vector<ScanFinding> scan(std::string_view text, const Scanner::Progress& progress = {});

/// The same findings, handed to `found` one by one in text order, and what else the scan saw.
Scanner::Summary scan(std::string_view text, const Scanner::FindingSink& found, const Scanner::Progress& progress = {});

} // namespace orvel
