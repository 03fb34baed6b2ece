#pragma once

#include <cstdlib>

namespace orvel::fuzzing {

/// Stops the run where a rule is broken, so the fuzzer keeps the input that broke it.
inline void require(bool condition) {
    if (!condition) std::abort();
}

} // namespace orvel::fuzzing
