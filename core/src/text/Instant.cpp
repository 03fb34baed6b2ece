#include "text/Instant.h"

#include <chrono>
#include <cmath>
#include <cstdint>

#include <fmt/format.h>

namespace orvel::Instant {
namespace {

// 0000-01-01T00:00:00Z and 10000-01-01T00:00:00Z (proleptic Gregorian; year 0 is a leap year).
constexpr double firstSecond = -62167219200.0;
constexpr double pastLastSecond = 253402300800.0;

} // namespace

std::optional<std::string> iso8601(double secondsSince1970) {
    // Checked on the double itself so that 1e300 never reaches an integer conversion.
    if (!std::isfinite(secondsSince1970) || secondsSince1970 < firstSecond || secondsSince1970 >= pastLastSecond) {
        return std::nullopt;
    }
    using namespace std::chrono;
    // floor, not truncation: -0.5 lies in the last second of 1969.
    const sys_seconds instant{seconds{static_cast<std::int64_t>(std::floor(secondsSince1970))}};
    const sys_days day = floor<days>(instant);
    const year_month_day date{day};
    const hh_mm_ss time{instant - day};
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), time.hours().count(),
                       time.minutes().count(), time.seconds().count());
}

} // namespace orvel::Instant
