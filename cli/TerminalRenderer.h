#pragma once

#include <string>

#include "orvel/DecodeChain.h"

namespace orvel::cli {

/// How the readable rendering may decorate its text.
struct RenderStyle {
    bool colour = false;
};

/// Whether standard output gets colour: only on a terminal, and never with NO_COLOR set.
RenderStyle styleForStandardOutput();

/// The readable rendering of a chain: shape, one block per step, final value.
std::string renderChain(const DecodeChain& chain, RenderStyle style);

} // namespace orvel::cli
