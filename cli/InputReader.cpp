#include "InputReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include <fmt/format.h>

#include "orvel/Unicode.h"

namespace orvel::cli {

namespace {

// Reads straight into the result; a regular file's size is known up front, so a large log is
// copied once, from the kernel into the string, and never regrown.
std::optional<std::string> readAll(std::FILE* stream) {
    struct stat status {};
    std::string data;
    if (::fstat(::fileno(stream), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        data.reserve(static_cast<std::size_t>(status.st_size) + 1);
    }
    std::size_t used = 0;
    while (true) {
        if (data.size() == used) data.resize(std::max<std::size_t>(used * 2, std::max<std::size_t>(data.capacity(), 1 << 16)));
        const std::size_t count = std::fread(data.data() + used, 1, data.size() - used, stream);
        used += count;
        if (count == 0) break;
    }
    if (std::ferror(stream)) return std::nullopt;
    data.resize(used);
    return data;
}

} // namespace

std::optional<std::string> readStandardInput() { return readAll(stdin); }

std::optional<std::string> readFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    auto data = readAll(file);
    std::fclose(file);
    return data;
}

std::string asValidText(std::string text, std::string_view origin) {
    if (Unicode::isValidUTF8(text)) return text;
    fmt::print(stderr, "orvel: warning: {} is not valid UTF-8; invalid bytes were replaced by U+FFFD\n", origin);
    return Unicode::toValidUTF8(text);
}

} // namespace orvel::cli
