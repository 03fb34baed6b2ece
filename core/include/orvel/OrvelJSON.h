#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "orvel/DecodeChain.h"
#include "orvel/ScanFinding.h"

// The machine-readable export: pretty JSON with sorted keys and unescaped slashes.
namespace orvel::OrvelJSON {

/// Receives a document in pieces, in order.
using Sink = std::function<void(std::string_view)>;

/// The export document of one chain: finalValue, input, recognized, shape, steps.
std::string string(const DecodeChain& chain);
/// Hands exactly string(chain) to `sink` in pieces, never holding the whole document.
void write(const DecodeChain& chain, const Sink& sink);

/// The export document of a scan: count and findings (line, matchedText, shape, chain).
std::string string(const std::vector<ScanFinding>& findings);

// The scan document in pieces, for findings that arrive one at a time: the head, the elements
// joined by ",\n", then the tail make exactly string(findings), whose fallback "{}" stands in
// when an element cannot be written.

/// Hands one finding to `sink` as an element of the document's "findings" array, indented to
/// its place; false, handing over nothing, when it cannot be written.
bool writeFindingElement(const ScanFinding& finding, const Sink& sink);
/// Everything before the first element of a document with `count` findings.
std::string scanDocumentHead(std::size_t count);
/// Everything after the last element.
std::string scanDocumentTail(std::size_t count);

} // namespace orvel::OrvelJSON
