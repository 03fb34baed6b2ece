#include "orvel/Clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(ClockTest, PinHoldsUntilReleased) {
    orvel::Clock::pin(1738310400.25);
    EXPECT_EQ(orvel::Clock::now(), 1738310400.25);
    orvel::Clock::pin(0); // the epoch itself is a valid pin, not "unpinned"
    EXPECT_EQ(orvel::Clock::now(), 0);
    orvel::Clock::pin(std::nullopt);
    const double system = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(orvel::Clock::now(), system, 60);
}

} // namespace
