#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "orvel/DecodeChain.h"
#include "orvel/ExplainerSource.h"
#include "orvel/ExplanationRequest.h"

namespace orvel::cli {

/// When the readable output is coloured: `--color=auto|never|always`.
enum class ColourChoice { automatic, never, always };

/// How the readable rendering may decorate and lay out its text.
struct RenderStyle {
    bool colour = false;
    std::size_t width = 0; ///< columns to lay out in; 0 when unknown (not a terminal, no COLUMNS)
};

/// The style of standard output: colour as chosen, where `automatic` means only on a terminal
/// and never with NO_COLOR set or TERM=dumb; the width of the terminal, else COLUMNS.
RenderStyle styleForStandardOutput(ColourChoice choice);

/// Writes the readable rendering of a chain to `out`: shape, one block per step, final value.
void renderChain(std::FILE* out, const DecodeChain& chain, RenderStyle style);

/// Writes the explanation block that ends the readable rendering: a heading naming the source,
/// then the text.
void renderExplanation(std::FILE* out, std::string_view text, ExplainerSource source, RenderStyle style);

/// Writes the instruction text, an empty line and the prompt, as a language model would receive them.
void renderModelRequest(std::FILE* out, const ExplanationRequest& request);

} // namespace orvel::cli
