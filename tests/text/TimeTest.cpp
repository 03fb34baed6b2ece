// The clock seam and ISO 8601 instants.
#include "orvel/Clock.h"
#include "text/Instant.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace {

using orvel::Instant::iso8601;

TEST(Clock, PinHoldsUntilReleased) {
    orvel::Clock::pin(1738310400.25);
    EXPECT_EQ(orvel::Clock::now(), 1738310400.25);
    orvel::Clock::pin(0); // the epoch itself is a valid pin, not "unpinned"
    EXPECT_EQ(orvel::Clock::now(), 0);
    orvel::Clock::pin(std::nullopt);
    const double system = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(orvel::Clock::now(), system, 60);
}

TEST(Instant, FormatsTheWholeSecondTowardThePastWithinFourDigitYears) {
    using limits = std::numeric_limits<double>;
    // Past 32-bit time_t; leap years divisible by 400, by 4, and by 100 only (not leap).
    // clang-format off
    const std::pair<double, std::optional<std::string>> cases[] = {
        {-0.0, "1970-01-01T00:00:00Z"}, {1738310400.999, "2025-01-31T08:00:00Z"},
        {1738310399.999, "2025-01-31T07:59:59Z"}, {-0.5, "1969-12-31T23:59:59Z"}, {-1.5, "1969-12-31T23:59:58Z"},
        {2147483648, "2038-01-19T03:14:08Z"},
        {951782400, "2000-02-29T00:00:00Z"}, {1709208000, "2024-02-29T12:00:00Z"},
        {-2203891201, "1900-02-28T23:59:59Z"}, {-2203891200, "1900-03-01T00:00:00Z"},
        {-62135596800, "0001-01-01T00:00:00Z"}, {-62167219200, "0000-01-01T00:00:00Z"}, {-62167219200.5, {}},
        {253402300799.999, "9999-12-31T23:59:59Z"}, {253402300800, {}}, {limits::max(), {}}, {limits::lowest(), {}},
        {limits::infinity(), {}}, {-limits::infinity(), {}}, {limits::quiet_NaN(), {}}};
    // clang-format on
    for (const auto& [seconds, text] : cases) EXPECT_EQ(iso8601(seconds), text) << seconds;
}

} // namespace
