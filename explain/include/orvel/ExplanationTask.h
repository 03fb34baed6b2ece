#pragma once

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "orvel/DecodeChain.h"
#include "orvel/ExplainerSource.h"
#include "orvel/LanguageModel.h"

namespace orvel {

/// One explanation computed on its own thread, so that an interface never waits for a model.
/// The owner may cancel it; destroying it cancels it and waits for the worker, which a stop
/// request ends promptly.
class ExplanationTask {
public:
    /// Starts explaining `chain` with the explainer chosen now. `onFinished`, if given, is called
    /// on the worker thread once the answer can be taken (for example to post an event to the
    /// interface thread); it must not destroy the task.
    explicit ExplanationTask(DecodeChain chain, std::function<void()> onFinished = {},
                             std::shared_ptr<const LanguageModel> model = systemLanguageModel());

    ExplanationTask(ExplanationTask&&) noexcept = default;
    /// Cancels and waits for the task being replaced.
    ExplanationTask& operator=(ExplanationTask&&) noexcept = default;

    /// The label decided when the task started; it stays even when the model falls back to the
    /// template text.
    ExplainerSource source() const { return m_source; }
    /// Asks the explainer to give up; an answer still taken afterwards is the template text.
    void cancel() { m_worker.request_stop(); }
    /// Whether cancel() was called (or the task was replaced).
    bool isCancelled() const { return m_worker.get_stop_token().stop_requested(); }
    /// Whether the answer can be taken without waiting.
    bool isReady() const;
    /// The answer, waiting for it if need be; nothing once it has been taken.
    std::optional<std::string> take();

private:
    ExplainerSource m_source;
    std::future<std::string> m_answer;
    // Declared last: destroyed first, so the worker is stopped and joined before the rest goes.
    std::jthread m_worker;
};

} // namespace orvel
