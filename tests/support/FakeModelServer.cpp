#include "support/FakeModelServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace orvel::test {
namespace {

// Reads one request: its headers, then as many body bytes as Content-Length names.
bool readRequest(int client) {
    std::string data;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    while (wanted == std::string::npos || data.size() < wanted) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        data.append(buffer, static_cast<std::size_t>(got));
        const auto end = data.find("\r\n\r\n");
        if (wanted == std::string::npos && end != std::string::npos) {
            const auto length = data.find("Content-Length: ");
            wanted = end + 4 + (length == std::string::npos ? 0 : std::stoul(data.substr(length + 16)));
        }
    }
    return true;
}

} // namespace

FakeModelServer::FakeModelServer() : m_listener(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), size);
    listen(m_listener, 8);
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FakeModelServer::~FakeModelServer() {
    stop();
    m_thread.join();
}

std::string FakeModelServer::url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

void FakeModelServer::reply(Reply reply) {
    std::scoped_lock lock(m_mutex);
    m_reply = std::move(reply);
}

std::string FakeModelServer::answer(const std::string& content) {
    return nlohmann::json{{"choices", {{{"message", {{"role", "assistant"}, {"content", content}}}}}}}.dump();
}

void FakeModelServer::stop() {
    if (!m_stopping.exchange(true)) shutdown(m_listener, SHUT_RDWR);
}

void FakeModelServer::serve() {
    for (int client; (client = accept(m_listener, nullptr, nullptr)) >= 0; close(client)) {
        if (!readRequest(client)) continue;
        ++m_requests;
        Reply reply;
        {
            std::scoped_lock lock(m_mutex);
            reply = m_reply;
        }
        // A hanging reply waits until the client hangs up or the server stops.
        pollfd watch{client, POLLIN, 0};
        while (reply.hang && !m_stopping && poll(&watch, 1, 10) == 0) {
        }
        if (reply.hang) continue;
        const std::string text = "HTTP/1.1 " + std::to_string(reply.status) +
                                 " X\r\nContent-Length: " + std::to_string(reply.body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + reply.body;
        for (std::size_t sent = 0; sent < text.size();) {
            const ssize_t wrote = send(client, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (wrote <= 0) break;
            sent += static_cast<std::size_t>(wrote);
        }
    }
    close(m_listener);
}

} // namespace orvel::test
