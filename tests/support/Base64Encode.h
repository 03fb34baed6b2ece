#pragma once

// Base64 encoding for building test and benchmark inputs; the engine itself only decodes.
#include <algorithm>
#include <string>
#include <string_view>

namespace orvel::testing {

inline std::string base64Encode(std::string_view bytes, bool urlSafe = false, bool padded = true) {
    const char* alphabet = urlSafe ? "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"
                                   : "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t take = std::min<std::size_t>(3, bytes.size() - i);
        unsigned n = 0;
        for (std::size_t j = 0; j < 3; ++j) n = n << 8 | (j < take ? static_cast<unsigned char>(bytes[i + j]) : 0u);
        for (std::size_t j = 0; j < 4; ++j) {
            // clang-format off
            if (j <= take) out += alphabet[n >> (18 - 6 * j) & 63];
            else if (padded) out += '=';
            // clang-format on
        }
    }
    return out;
}

} // namespace orvel::testing
