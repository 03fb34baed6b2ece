#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace orvel::test {

/// A chat-completions server on 127.0.0.1 and an ephemeral port that gives every request the same
/// canned reply; it serves one connection at a time on its own thread until destroyed or stopped.
class FakeModelServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        bool hang = false; ///< never answer, holding the connection open until the client leaves
    };
    FakeModelServer();
    ~FakeModelServer();
    /// The base URL of this server.
    std::string url() const;
    /// Sets the reply every later request gets.
    void reply(Reply reply);
    /// A chat answer holding `content` as its message.
    static std::string answer(const std::string& content);
    /// How many requests arrived so far.
    int requests() const { return m_requests; }
    /// Closes the listening socket so later connections are refused.
    void stop();

private:
    void serve();
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping = false;
    std::atomic<int> m_requests = 0;
    mutable std::mutex m_mutex;
    Reply m_reply;
    std::thread m_thread;
};

} // namespace orvel::test
