#include "InputReader.h"

#include <cstdio>

#include <fmt/format.h>

#include "orvel/Unicode.h"

namespace orvel::cli {

std::optional<std::string> readStandardInput() {
    std::string data;
    char buffer[1 << 16];
    while (true) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, stdin);
        data.append(buffer, count);
        if (count < sizeof buffer) break;
    }
    if (std::ferror(stdin)) return std::nullopt;
    return data;
}

std::string asValidText(std::string text, std::string_view origin) {
    if (Unicode::isValidUTF8(text)) return text;
    fmt::print(stderr, "orvel: warning: {} is not valid UTF-8; invalid bytes were replaced by U+FFFD\n", origin);
    return Unicode::toValidUTF8(text);
}

} // namespace orvel::cli
