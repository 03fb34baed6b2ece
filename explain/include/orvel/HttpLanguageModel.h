#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "orvel/LanguageModel.h"
#include "orvel/ModelSettings.h"

namespace orvel {

/// A language model served on this machine over the chat-completions HTTP API (`GET /v1/models`,
/// `POST /v1/chat/completions`), as llama.cpp's server and many others speak it. Only servers whose
/// host resolves to loopback addresses alone are ever contacted, so nothing pasted leaves the machine.
class HttpLanguageModel final : public LanguageModel {
public:
    /// The numeric addresses a host name resolves to; empty when it does not resolve.
    using Resolver = std::function<std::vector<std::string>(const std::string& host)>;

    /// A model at `settings.url`, resolving host names with `resolver` (the system's by default).
    explicit HttpLanguageModel(ModelSettings settings, Resolver resolver = systemResolver);

    /// Why the configured URL may not be contacted (unset, not loopback, bad scheme…), or nothing.
    std::optional<std::string> refusalReason() const;
    std::optional<std::string> unavailabilityReason() const override;
    std::optional<std::string> respond(std::string_view instructions, std::string_view prompt,
                                       std::stop_token stop) const override;

    /// The addresses getaddrinfo gives for `host`.
    static std::vector<std::string> systemResolver(const std::string& host);

private:
    ModelSettings m_settings;
    Resolver m_resolver;
    mutable std::mutex m_mutex;
    mutable std::chrono::steady_clock::time_point m_checkedAt;
    mutable std::optional<std::optional<std::string>> m_cachedReason;
};

} // namespace orvel
