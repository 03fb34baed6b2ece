#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Independent pieces of work spread over a few threads, the caller's among them. The first
// exception from any piece is rethrown to the caller once every thread has stopped. With fewer
// than two threads, or when no other thread can be started, the caller does everything.
namespace orvel {
namespace detail {

/// Runs `participate` on the calling thread and on up to `threads - 1` more, and waits for all.
template <typename Participate>
void onThreads(unsigned threads, Participate& participate) {
    std::vector<std::thread> helpers;
    try {
        for (unsigned i = 1; i < threads; ++i) helpers.emplace_back(std::ref(participate));
    } catch (const std::system_error&) {
        // Fewer threads to be had: those that started share the work with the caller.
    }
    participate();
    for (std::thread& helper : helpers) helper.join();
}

/// The first exception thrown by any thread, kept to be rethrown on the caller's.
class FirstFailure {
public:
    void record() {
        const std::lock_guard lock(m_mutex);
        if (!m_failure) m_failure = std::current_exception();
        m_failed = true;
    }
    bool happened() const { return m_failed; }
    void rethrow() const {
        if (m_failure) std::rethrow_exception(m_failure);
    }

private:
    std::mutex m_mutex;
    std::exception_ptr m_failure;
    std::atomic<bool> m_failed{false};
};

} // namespace detail

/// Calls `work(i)` once for every i in [0, count), in no particular order, on up to `threads`
/// threads.
template <typename Work>
void forEachIndex(std::size_t count, unsigned threads, Work&& work) {
    if (threads < 2 || count < 2) {
        for (std::size_t i = 0; i < count; ++i) work(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    detail::FirstFailure failure;
    auto participate = [&] {
        for (std::size_t i = 0; !failure.happened() && (i = next++) < count;) {
            try {
                work(i);
            } catch (...) {
                failure.record();
            }
        }
    };
    detail::onThreads(static_cast<unsigned>(std::min<std::size_t>(threads, count)), participate);
    failure.rethrow();
}

/// Calls `work(i)` and then `take` with its result for every i in [0, count), on up to
/// `threads` threads, until `take` answers false: then no more work is started and no other
/// result is taken. `work` runs concurrently; `take` runs one call at a time in increasing i,
/// on the thread that did that piece's work, so each thread holds one result at most and frees
/// what it allocated itself (memory freed by another thread costs a contended allocator lock
/// per block).
template <typename Work, typename Take>
void forEachInOrder(std::size_t count, unsigned threads, Work&& work, Take&& take) {
    if (threads < 2 || count < 2) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!take(work(i))) return;
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable turnTaken;
    std::size_t next = 0; // the next piece to work on
    std::size_t turn = 0; // the piece whose result is taken next
    bool ended = false;   // a take answered false
    detail::FirstFailure failure;
    auto participate = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                const std::lock_guard lock(mutex);
                if (failure.happened() || ended || next == count) return;
                index = next++;
            }
            try {
                auto result = work(index);
                {
                    std::unique_lock lock(mutex);
                    turnTaken.wait(lock, [&] { return failure.happened() || ended || turn == index; });
                    if (failure.happened() || ended) return;
                }
                const bool more = take(std::move(result));
                const std::lock_guard lock(mutex);
                ++turn;
                ended = !more;
            } catch (...) {
                // Under the lock, so that no thread can miss the news between its check and its wait.
                const std::lock_guard lock(mutex);
                failure.record();
            }
            turnTaken.notify_all();
        }
    };
    detail::onThreads(static_cast<unsigned>(std::min<std::size_t>(threads, count)), participate);
    failure.rethrow();
}

} // namespace orvel
