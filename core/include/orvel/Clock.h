#pragma once

#include <optional>

namespace orvel::Clock {

/// The current time in seconds since 1970-01-01T00:00:00Z; every time-dependent fact reads it here.
double now();

/// Makes now() answer `secondsSince1970` (tests, from any thread); nullopt or NaN goes back to
/// the system clock.
void pin(std::optional<double> secondsSince1970);

} // namespace orvel::Clock
