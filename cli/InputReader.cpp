#include "InputReader.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fmt/format.h>

#include "orvel/Unicode.h"

namespace orvel::cli {

namespace {

// Asks for the whole 2 MiB pages inside the first `bytes` of `data`'s buffer to be backed by
// huge pages: a large log then takes ten page faults per 20 MiB instead of five thousand,
// which a virtual machine makes costly.
void adviseHugePages(std::string& data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data.data());
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Reads straight into the result; a regular file's size is known up front, so a large log is
// copied once, from the kernel into the string, and never regrown, and one over the limit is
// refused unread. A stream (a pipe, a device) is read until it ends or passes the limit.
Input readAll(std::FILE* stream, std::size_t limit) {
    Input input;
    std::string& data = input.data;
    struct stat status {};
    if (::fstat(::fileno(stream), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const off_t position = ::ftello(stream);
        const auto remaining = static_cast<std::uintmax_t>(status.st_size - std::max<off_t>(position, 0));
        if (remaining > limit) return {Input::Status::tooLarge, {}, {}};
        data.reserve(static_cast<std::size_t>(remaining) + 1);
        adviseHugePages(data, static_cast<std::size_t>(remaining));
    }
    std::size_t used = 0;
    while (used <= limit) {
        if (data.size() == used) {
            // Straight to one past the limit once doubling would reach it: the string would
            // otherwise double its capacity again for that last byte.
            const std::size_t grown = std::max({used * 2, data.capacity(), std::size_t{1} << 16});
            data.resize(grown >= limit ? limit + 1 : grown);
        }
        const std::size_t count = std::fread(data.data() + used, 1, data.size() - used, stream);
        used += count;
        if (count == 0) break;
    }
    if (std::ferror(stream)) return {Input::Status::unreadable, {}, std::strerror(errno)};
    if (used > limit) return {Input::Status::tooLarge, {}, {}};
    data.resize(used);
    return input;
}

} // namespace

Input readStandardInput(std::size_t limit) {
    // A program silently waiting on a terminal looks hung.
    if (isatty(STDIN_FILENO) == 1) fmt::print(stderr, "orvel: reading standard input (end with Ctrl-D)\n");
    return readAll(stdin, limit);
}

Input readFile(const std::string& path, std::size_t limit) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {Input::Status::unreadable, {}, std::strerror(errno)};
    // A named pipe is read like standard input, until its writer closes it; one that nobody
    // writes to would wait without a word, so it is named. Process substitution's pipes
    // (/dev/fd/N) are what the user asked for and go unremarked.
    struct stat status {};
    if (::fstat(::fileno(file), &status) == 0 && S_ISFIFO(status.st_mode) && !path.starts_with("/dev/fd/") &&
        !path.starts_with("/proc/"))
        fmt::print(stderr, "orvel: {} is a named pipe: reading it until its writer closes it\n", quoted(path));
    Input input = readAll(file, limit);
    std::fclose(file);
    return input;
}

bool looksBinary(std::string_view data) {
    return data.substr(0, std::size_t{8} << 10).find('\0') != std::string_view::npos;
}

std::string quoted(std::string_view name) {
    std::string shown = "'";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\'' || c == '\\') {
            shown += '\\';
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            shown += fmt::format("\\x{:02X}", byte);
        } else {
            shown += c;
        }
    }
    return shown + "'";
}

std::string sizeInWords(std::size_t bytes) {
    constexpr std::size_t mebibyte = std::size_t{1} << 20;
    constexpr std::size_t gibibyte = std::size_t{1} << 30;
    if (bytes % gibibyte == 0) return fmt::format("{} GiB", bytes / gibibyte);
    if (bytes % mebibyte == 0) return fmt::format("{} MiB", bytes / mebibyte);
    return fmt::format("{} bytes", bytes);
}

std::string asValidText(std::string text, std::string_view origin) {
    if (Unicode::isValidUTF8(text)) return text;
    fmt::print(stderr, "orvel: warning: {} is not valid UTF-8; invalid bytes were replaced by U+FFFD\n", origin);
    return Unicode::toValidUTF8(text);
}

} // namespace orvel::cli
