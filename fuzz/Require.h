#pragma once

#include <cstdlib>
#include <optional>

#include "orvel/DecodeResult.h"
#include "orvel/Unicode.h"

namespace orvel::fuzzing {

/// Stops the run where a rule is broken, so the fuzzer keeps the input that broke it.
inline void require(bool condition) {
    if (!condition) std::abort();
}

/// The rules every detector's answer keeps: its own kind, a confidence in [0, 1], UTF-8 output.
inline void requireWellFormed(const std::optional<DecodeResult>& result, DetectionKind kind) {
    if (!result) return;
    require(result->kind == kind);
    require(result->confidence >= 0.0 && result->confidence <= 1.0);
    require(Unicode::isValidUTF8(result->output) && Unicode::isValidUTF8(result->summary));
}

} // namespace orvel::fuzzing
