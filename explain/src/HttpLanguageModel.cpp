#include "orvel/HttpLanguageModel.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>
#include <variant>

#include "Curl.h"

namespace orvel {
namespace {

using namespace std::chrono_literals;

constexpr auto availabilityTimeout = 300ms;
constexpr auto availabilityCacheLifetime = 2s;
constexpr auto responseTimeout = 30s;
// A short explanation is a few hundred bytes; anything near this size is not one.
constexpr std::size_t maxResponseBytes = 1 << 20;
constexpr int maxAnswerTokens = 400;

// The parts of the configured URL a request needs, after the loopback rule has passed.
struct Endpoint {
    std::string base;    ///< the URL without a trailing slash
    std::string pinning; ///< "host:port:addresses" so curl connects to exactly the checked addresses
};

std::string urlPart(const Curl& api, CURLU* url, CURLUPart what, unsigned flags = 0) {
    char* part = nullptr;
    if (api.urlGet(url, what, &part, flags) != CURLUE_OK || !part) return {};
    std::string text = part;
    api.free(part);
    return text;
}

// Whether `address` is a numeric address at all, and then whether it is a loopback one.
std::optional<bool> numericLoopback(const std::string& address) {
    in_addr v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6) != 0;
    return std::nullopt;
}

// "localhost" and the names under it are this machine by definition (RFC 6761), as curl also
// treats them, so they need no resolver: a system without an /etc/hosts entry still has them.
bool isLocalhostName(std::string_view host) {
    std::string lower(host);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.ends_with('.')) lower.pop_back();
    return lower == "localhost" || lower.ends_with(".localhost");
}

std::variant<Endpoint, std::string> checkedEndpoint(const ModelSettings& settings,
                                                    const HttpLanguageModel::Resolver& resolver) {
    if (settings.url.empty())
        return "no model server is configured (set ORVEL_MODEL_URL, or url= in ~/.config/orvel/model.conf)";
    const Curl* api = curl();
    if (!api) return "libcurl (libcurl.so.4) is missing or too old, so no model server can be asked";
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(api->urlInit(), api->urlCleanup);
    if (api->urlSet(url.get(), CURLUPART_URL, settings.url.c_str(), 0) != CURLUE_OK)
        return "the model server URL " + settings.shownUrl() + " is not a valid URL";
    const std::string scheme = urlPart(*api, url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") return "the model server URL must use http or https, not " + scheme;
    if (!urlPart(*api, url.get(), CURLUPART_USER).empty() || !urlPart(*api, url.get(), CURLUPART_PASSWORD).empty())
        return "the model server URL must not hold credentials";
    if (!urlPart(*api, url.get(), CURLUPART_QUERY).empty() || !urlPart(*api, url.get(), CURLUPART_FRAGMENT).empty())
        return "the model server URL must not hold a query or fragment";
    std::string host = urlPart(*api, url.get(), CURLUPART_HOST);
    const std::string port = urlPart(*api, url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    const std::string bare = host.starts_with('[') ? host.substr(1, host.size() - 2) : host;
    const std::vector<std::string> addresses = numericLoopback(bare)   ? std::vector{bare}
                                               : isLocalhostName(bare) ? std::vector<std::string>{"127.0.0.1", "::1"}
                                                                       : resolver(bare);
    if (addresses.empty()) return "the model server host " + host + " does not resolve";
    std::string pinned;
    for (const std::string& address : addresses) {
        if (!numericLoopback(address).value_or(false))
            return "the model server host " + host + " resolves to " + address +
                   ", which is not this machine (only loopback addresses are allowed)";
        pinned +=
            (pinned.empty() ? "" : ",") + (address.find(':') != std::string::npos ? "[" + address + "]" : address);
    }
    std::string base = settings.url;
    while (base.ends_with('/')) base.pop_back();
    return Endpoint{base, host + ":" + port + ":" + pinned};
}

struct Response {
    long status = 0;
    std::string body;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto& body = *static_cast<std::string*>(target);
    if (body.size() + size * count > maxResponseBytes) return 0; // aborts the transfer
    body.append(data, size * count);
    return size * count;
}

// One request to `endpoint.base + path`, a POST when `body` is given; nothing when it could not
// complete: a refused connection, the timeout, an oversized answer or a stop request.
std::optional<Response> perform(const Endpoint& endpoint, const std::string& path, const std::string* body,
                                std::chrono::milliseconds timeout, std::stop_token stop) {
    const Curl* api = curl();
    if (!api) return std::nullopt;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(api->easyInit(), api->easyCleanup);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(api->multiInit(), api->multiCleanup);
    curl_slist* pins = api->slistAppend(nullptr, endpoint.pinning.c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> pinList(pins, api->slistFreeAll);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        api->slistAppend(nullptr, "Content-Type: application/json"), api->slistFreeAll);
    Response response;
    const std::string url = endpoint.base + path;
    CURL* handle = easy.get();
    api->easySetopt(handle, CURLOPT_URL, url.c_str());
    // Redirects are never followed (libcurl's default), so a server cannot send us elsewhere.
    api->easySetopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    api->easySetopt(handle, CURLOPT_PROXY, ""); // a proxy would carry the text off the machine
    api->easySetopt(handle, CURLOPT_RESOLVE, pinList.get());
    api->easySetopt(handle, CURLOPT_NOSIGNAL, 1L);
    api->easySetopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    api->easySetopt(handle, CURLOPT_WRITEFUNCTION, collect);
    api->easySetopt(handle, CURLOPT_WRITEDATA, &response.body);
    if (body) {
        api->easySetopt(handle, CURLOPT_HTTPHEADER, headers.get());
        api->easySetopt(handle, CURLOPT_POSTFIELDS, body->c_str());
    }
    api->multiAddHandle(multi.get(), handle);
    // Waking the poll from the stop callback ends a stopped request at once, not at the next tick.
    std::stop_callback wake(stop, [&] { api->multiWakeup(multi.get()); });
    int running = 1;
    while (running > 0 && !stop.stop_requested()) {
        if (api->multiPerform(multi.get(), &running) != CURLM_OK) break;
        if (running > 0) api->multiPoll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    int queued = 0;
    const CURLMsg* message = api->multiInfoRead(multi.get(), &queued);
    const bool done =
        !stop.stop_requested() && message && message->msg == CURLMSG_DONE && message->data.result == CURLE_OK;
    if (done) api->easyGetinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
    api->multiRemoveHandle(multi.get(), handle);
    if (!done) return std::nullopt;
    return response;
}

} // namespace

HttpLanguageModel::HttpLanguageModel(ModelSettings settings, Resolver resolver)
    : m_settings(std::move(settings)), m_resolver(std::move(resolver)) {}

std::optional<std::string> HttpLanguageModel::refusalReason() const {
    auto checked = checkedEndpoint(m_settings, m_resolver);
    if (auto* reason = std::get_if<std::string>(&checked)) return *reason;
    return std::nullopt;
}

std::optional<std::string> HttpLanguageModel::unavailabilityReason() const {
    // Typing asks before every explanation; a short-lived answer keeps that from flooding the server.
    std::scoped_lock lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    if (m_cachedReason && now - m_checkedAt < availabilityCacheLifetime) return *m_cachedReason;
    auto checked = checkedEndpoint(m_settings, m_resolver);
    std::optional<std::string> reason;
    if (auto* refusal = std::get_if<std::string>(&checked)) {
        reason = *refusal;
    } else {
        const auto response = perform(std::get<Endpoint>(checked), "/v1/models", nullptr, availabilityTimeout, {});
        if (!response)
            reason = "the model server at " + m_settings.shownUrl() + " does not answer";
        else if (response->status / 100 != 2)
            reason =
                "the model server at " + m_settings.shownUrl() + " answers status " + std::to_string(response->status);
    }
    m_checkedAt = now;
    m_cachedReason = reason;
    return reason;
}

std::optional<std::string> HttpLanguageModel::respond(std::string_view instructions, std::string_view prompt,
                                                      std::stop_token stop) const {
    auto checked = checkedEndpoint(m_settings, m_resolver);
    const auto* endpoint = std::get_if<Endpoint>(&checked);
    if (!endpoint) return std::nullopt;
    nlohmann::json request = {
        {"messages", {{{"role", "system"}, {"content", instructions}}, {{"role", "user"}, {"content", prompt}}}},
        {"max_tokens", maxAnswerTokens},
        {"stream", false},
    };
    if (!m_settings.model.empty()) request["model"] = m_settings.model;
    const std::string body = request.dump();
    const auto response = perform(*endpoint, "/v1/chat/completions", &body, responseTimeout, stop);
    if (!response || response->status / 100 != 2) return std::nullopt;
    const nlohmann::json answer = nlohmann::json::parse(response->body, nullptr, false);
    const nlohmann::json::json_pointer content("/choices/0/message/content");
    if (answer.is_discarded() || !answer.contains(content) || !answer[content].is_string()) return std::nullopt;
    return answer[content].get<std::string>();
}

std::vector<std::string> HttpLanguageModel::systemResolver(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return {};
    std::vector<std::string> addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* raw =
            entry->ai_family == AF_INET
                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr)
                : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr);
        if (inet_ntop(entry->ai_family, raw, text, sizeof text)) addresses.emplace_back(text);
    }
    freeaddrinfo(found);
    return addresses;
}

} // namespace orvel
