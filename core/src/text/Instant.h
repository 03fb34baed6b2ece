#pragma once

#include <optional>
#include <string>

namespace orvel::Instant {

/// `secondsSince1970` as an internet date-time in UTC, "2025-01-31T08:00:00Z": the whole second
/// in which the instant falls (truncated toward the past). Absent when the value is not finite
/// or its year lies outside 0000...9999.
std::optional<std::string> iso8601(double secondsSince1970);

} // namespace orvel::Instant
