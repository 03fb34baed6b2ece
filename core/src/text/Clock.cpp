#include "orvel/Clock.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>

namespace orvel::Clock {
namespace {

constexpr double unpinned = std::numeric_limits<double>::quiet_NaN();

// NaN means "not pinned": one lock-free atomic holds both the flag and the value, so a test
// pinning the clock never races a reader on another thread. Constant-initialised, so it is
// ready before any other static initialiser could ask for the time.
constinit std::atomic<double> pinned{unpinned};

} // namespace

double now() {
    const double value = pinned.load(std::memory_order_relaxed);
    if (!std::isnan(value)) {
        return value;
    }
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count();
}

void pin(std::optional<double> secondsSince1970) {
    pinned.store(secondsSince1970.value_or(unpinned), std::memory_order_relaxed);
}

} // namespace orvel::Clock
