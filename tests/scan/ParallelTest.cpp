#include "scan/Parallel.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace orvel {
namespace {

// Uneven pieces, so that threads finish out of order and some must wait for their turn.
void unevenWork(std::size_t piece) { std::this_thread::sleep_for(std::chrono::microseconds((piece * 7919) % 5 * 200)); }

TEST(Parallel, ResultsAreTakenInOrderOnTheThreadThatMadeThemUntilATakeDeclines) {
    for (const unsigned threads : {1U, 2U, 5U}) {
        for (const std::size_t last : {59U, 30U}) {
            std::vector<std::size_t> taken;
            std::size_t takenOnOtherThread = 0;
            std::atomic<std::size_t> worked{0};
            forEachInOrder(
                60, threads,
                [&](std::size_t piece) {
                    ++worked;
                    unevenWork(piece);
                    return std::pair(piece, std::this_thread::get_id());
                },
                [&](std::pair<std::size_t, std::thread::id> result) {
                    taken.push_back(result.first);
                    if (result.second != std::this_thread::get_id()) ++takenOnOtherThread;
                    return result.first != last;
                });
            std::vector<std::size_t> inOrder(last + 1);
            for (std::size_t i = 0; i < inOrder.size(); ++i) inOrder[i] = i;
            EXPECT_EQ(taken, inOrder) << threads;
            EXPECT_EQ(takenOnOtherThread, 0U) << threads;
            EXPECT_LE(worked, last + threads) << threads;  // each other thread had one piece at most under way
        }
    }
}

TEST(Parallel, TheFirstFailureReachesTheCallerAfterEveryThreadStopped) {
    const auto failingWork = [](std::size_t piece) {
        unevenWork(piece);
        if (piece == 13) throw std::runtime_error("work");
        return piece;
    };
    EXPECT_THROW(forEachInOrder(40, 4, failingWork, [](std::size_t) { return true; }), std::runtime_error);
    std::vector<std::size_t> taken;
    EXPECT_THROW(forEachInOrder(40, 4, [](std::size_t piece) { return piece; },
                                [&](std::size_t piece) {
                                    if (piece == 7) throw std::logic_error("take");
                                    taken.push_back(piece);
                                    return true;
                                }),
                 std::logic_error);
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_THROW(forEachIndex(40, 4, [&](std::size_t i) { failingWork(i); }), std::runtime_error);
}

} // namespace
} // namespace orvel
