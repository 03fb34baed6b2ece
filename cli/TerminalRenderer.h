#pragma once

#include <cstddef>
#include <cstdio>
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

/// Writes the readable rendering of a chain to `out`: shape, one block per step, final value.
void renderChain(std::FILE* out, const DecodeChain& chain, RenderStyle style);

/// The heading of the readable list of scan findings: their count.
std::string renderFindingsHeading(std::size_t count, RenderStyle style);

/// One finding of the readable list: its line (right-aligned in `lineWidth` digits), the
/// matched text (shortened in the middle) and its chain's shape.
std::string renderFindingLine(const ScanFinding& finding, std::size_t lineWidth, RenderStyle style);

/// Writes the explanation block that ends the readable rendering: a heading naming the source,
/// then the text.
void renderExplanation(std::FILE* out, std::string_view text, ExplainerSource source, RenderStyle style);

/// Writes the instruction text, an empty line and the prompt, as a language model would receive them.
void renderModelRequest(std::FILE* out, const ExplanationRequest& request);

} // namespace orvel::cli
