#pragma once

// A language model for tests: answers what it is told to, remembers what it was asked, and can
// hold a request open until it is stopped, the way a slow model would.
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "orvel/LanguageModel.h"

namespace orvel::testing {

class FakeLanguageModel final : public LanguageModel {
public:
    struct Behaviour {
        std::optional<std::string> unavailabilityReason = std::nullopt;  ///< nothing: available
        std::optional<std::string> answer = std::nullopt;  ///< nothing: the request fails
        bool blockUntilStopped = false;
    };

    explicit FakeLanguageModel(Behaviour behaviour) : m_behaviour(std::move(behaviour)) {}

    std::optional<std::string> unavailabilityReason() const override { return m_behaviour.unavailabilityReason; }

    std::optional<std::string> respond(std::string_view instructions, std::string_view prompt,
                                       std::stop_token stop) const override {
        std::unique_lock lock(m_mutex);
        m_instructions = instructions;
        m_prompt = prompt;
        ++m_requests;
        if (m_behaviour.blockUntilStopped) {
            std::condition_variable_any stopped;
            stopped.wait(lock, stop, [] { return false; });
        }
        return m_behaviour.answer;
    }

    std::string instructions() const { std::scoped_lock lock(m_mutex); return m_instructions; }
    std::string prompt() const { std::scoped_lock lock(m_mutex); return m_prompt; }
    int requests() const { std::scoped_lock lock(m_mutex); return m_requests; }

private:
    Behaviour m_behaviour;
    mutable std::mutex m_mutex;
    mutable std::string m_instructions;
    mutable std::string m_prompt;
    mutable int m_requests = 0;
};

} // namespace orvel::testing
