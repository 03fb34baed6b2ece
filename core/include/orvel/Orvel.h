#pragma once

#include <optional>
#include <stop_token>
#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"
#include "orvel/Scanner.h"

namespace orvel {

/// The registered detectors in priority order; built once, read-only afterwards.
const DetectorList& defaultDetectors();

/// The engine with the standard configuration: every detector, ChainEngine::standardThreshold
/// and ChainEngine::standardMaxDepth.
const ChainEngine& standardEngine();

/// The decode chain of `text` under the standard configuration. Invalid UTF-8 is replaced by
/// U+FFFD first; a text above the inspection cap is returned unrecognised.
DecodeChain inspect(std::string_view text);

/// The same chain, or absent when `stop` is requested before it is complete.
std::optional<DecodeChain> inspect(std::string_view text, std::stop_token stop);

/// Every artifact found in `text` under the standard configuration, in text order. Invalid
/// UTF-8 is replaced by U+FFFD first, which keeps every line number where it was.
std::vector<ScanFinding> scan(std::string_view text, const Scanner::Progress& progress = {});

/// How a scan runs; the findings are the same whatever it says.
struct ScanOptions {
    /// Threads that decide candidates: 0 chooses by size (the calling thread alone below 1 MiB,
    /// every core the process may use above), 1 keeps the whole scan on the calling thread.
    unsigned threads = 0;
    /// Told how far the scan has got, now and then (see Scanner::scan).
    Scanner::Progress progress = {};
    /// A request on it ends the scan early (Scanner::Summary::stopped).
    std::stop_token stop = {};
};

/// The same findings, handed to `found` one by one in text order, and what else the scan saw.
Scanner::Summary scan(std::string_view text, const Scanner::FindingSink& found, const ScanOptions& options = {});

} // namespace orvel
