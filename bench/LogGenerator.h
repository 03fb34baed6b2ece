#pragma once

// A deterministic, realistic mixed log of any size: HTTP access lines and application lines,
// with the artifacts people actually find in logs sprinkled in at realistic rates.
#include <cstdint>
#include <random>
#include <string>

#include "support/Base64Encode.h"

namespace orvel::bench {

class LogGenerator {
public:
    explicit LogGenerator(std::uint32_t seed = 20261205) : m_random(seed) {}

    /// At least `bytes` bytes of log, whole lines only.
    std::string generate(std::size_t bytes) {
        std::string log;
        log.reserve(bytes + 4096);
        while (log.size() < bytes) appendLine(log);
        return log;
    }

private:
    std::uint32_t pick(std::uint32_t count) { return m_random() % count; }
    bool chance(std::uint32_t percent) { return pick(100) < percent; }

    std::string hex(std::size_t digits) {
        static constexpr char alphabet[] = "0123456789abcdef";
        std::string out;
        for (std::size_t i = 0; i < digits; ++i) out += alphabet[pick(16)];
        return out;
    }

    std::string uuid() { return hex(8) + "-" + hex(4) + "-4" + hex(3) + "-a" + hex(3) + "-" + hex(12); }

    std::string timestamp() {
        const std::uint32_t second = 1'760'000'000 + m_line;
        return "2026-10-09T" + two(second / 3600 % 24) + ":" + two(second / 60 % 60) + ":" + two(second % 60) + "Z";
    }

    static std::string two(std::uint32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

    std::string token() {
        const std::string header = testing::base64Encode(R"({"alg":"HS256","typ":"JWT"})", true, false);
        const std::string payload = testing::base64Encode(R"({"sub":")" + std::to_string(pick(100000)) + R"(","exp":)" +
                                                              std::to_string(1760000000 + pick(100000)) + "}",
                                                          true, false);
        return header + "." + payload + "." + testing::base64Encode(hex(32), true, false);
    }

    std::string jsonPayload() {
        return R"({"user":)" + std::to_string(pick(5000)) + R"(,"action":"checkout","items":[)" +
               std::to_string(pick(9)) + "," + std::to_string(pick(9)) + R"(],"session":")" + uuid() +
               R"(","note":"größe ok"})";
    }

    std::string pemBlock() {
        std::string body;
        for (int i = 0; i < 4; ++i) body += testing::base64Encode(hex(48)) + "\n";
        return "-----BEGIN CERTIFICATE-----\n" + body + "-----END CERTIFICATE-----";
    }

    void appendLine(std::string& log) {
        ++m_line;
        static const char* const paths[] = {"/api/v1/orders", "/api/v1/users/me", "/static/app.js", "/health",
                                            "/login"};
        static const char* const words[] = {"cache miss",
                                            "retrying upstream",
                                            "user signed in",
                                            "payment authorised",
                                            "Verbindung wiederhergestellt",
                                            "задание выполнено",
                                            "処理が完了しました"};
        if (chance(45)) {
            log += "10.0." + std::to_string(pick(255)) + "." + std::to_string(pick(255)) + " - - [" + timestamp() +
                   "] \"GET " + paths[pick(5)] + (chance(20) ? "?page=" + std::to_string(pick(40)) + "&sort=asc" : "") +
                   " HTTP/1.1\" " + (chance(90) ? "200 " : "404 ") + std::to_string(pick(50000)) +
                   " \"-\" \"Mozilla/5.0\"";
        } else {
            log +=
                timestamp() + " [" + (chance(85) ? "INFO" : "WARN") + "] " + words[pick(7)] + " request_id=" + uuid();
            const std::uint32_t extra = pick(100);
            if (extra < 6)
                log += " auth=Bearer " + token();
            else if (extra < 12)
                log += " payload=" + jsonPayload();
            else if (extra < 16)
                log += " blob=" + testing::base64Encode("{\"retry\":" + std::to_string(pick(9)) + ",\"ok\":true}");
            else if (extra < 20)
                log += " digest=" + hex(64);
            else if (extra < 24)
                log += " at=" + std::to_string(1760000000 + pick(1000000));
            else if (extra < 26)
                log += " trace=0x" + hex(16);
            else if (extra < 28)
                log += " hash=$2b$12$" + testing::base64Encode(hex(40)).substr(0, 53);
            else if (extra < 29)
                log += " cert=\n" + pemBlock();
        }
        log += '\n';
    }

    std::mt19937 m_random;
    std::uint32_t m_line = 0;
};

} // namespace orvel::bench
