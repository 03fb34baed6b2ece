#include "orvel/ExplanationTask.h"

#include <chrono>
#include <utility>

#include "orvel/OrvelExplain.h"

namespace orvel {

ExplanationTask::ExplanationTask(DecodeChain chain, std::function<void()> onFinished,
                                 std::shared_ptr<const LanguageModel> model)
    : m_source(OrvelExplain::currentSource(*model)) {
    std::promise<std::string> answer;
    m_answer = answer.get_future();
    m_worker = std::jthread([chain = std::move(chain), onFinished = std::move(onFinished), model = std::move(model),
                             answer = std::move(answer)](std::stop_token stop) mutable {
        answer.set_value(OrvelExplain::explain(chain, std::move(stop), std::move(model)));
        if (onFinished) onFinished();
    });
}

bool ExplanationTask::isReady() const {
    return m_answer.valid() && m_answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::optional<std::string> ExplanationTask::take() {
    if (!m_answer.valid()) return std::nullopt;
    return m_answer.get();
}

} // namespace orvel
