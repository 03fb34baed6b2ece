#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "orvel/DecodeChain.h"
#include "orvel/ExplainerSource.h"
#include "orvel/ExplanationRequest.h"
#include "orvel/ScanFinding.h"

namespace orvel::cli {

/// How the readable rendering may decorate its text.
struct RenderStyle {
    bool colour = false;
};

/// Whether standard output gets colour: only on a terminal, and never with NO_COLOR set.
RenderStyle styleForStandardOutput();

/// The readable rendering of a chain: shape, one block per step, final value.
std::string renderChain(const DecodeChain& chain, RenderStyle style);

/// The heading of the readable list of scan findings: their count.
std::string renderFindingsHeading(std::size_t count, RenderStyle style);

/// One finding of the readable list: its line (right-aligned in `lineWidth` digits), the
/// matched text (shortened in the middle) and its chain's shape.
std::string renderFindingLine(const ScanFinding& finding, std::size_t lineWidth, RenderStyle style);

/// The explanation block that ends the readable rendering: a heading naming the source, then the text.
std::string renderExplanation(std::string_view text, ExplainerSource source, RenderStyle style);

/// The instruction text, an empty line and the prompt, as a language model would receive them.
std::string renderModelRequest(const ExplanationRequest& request);

} // namespace orvel::cli
