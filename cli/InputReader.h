#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvel::cli {

/// The bytes of one input, or why there are none.
struct Input {
    enum class Status { read, unreadable, tooLarge };
    Status status = Status::read;
    std::string data;
    std::string reason; ///< why an unreadable input could not be read, in the system's words
};

/// All of standard input, byte for byte; reading stops once it proves longer than `limit`. On a
/// terminal, a note on standard error says how to end it first.
Input readStandardInput(std::size_t limit);

/// All of the file at `path`, byte for byte; reading stops once it proves longer than `limit`.
Input readFile(const std::string& path, std::size_t limit);

/// Whether `data` looks like a binary file: a NUL byte among its first 8 KiB, as grep and
/// ripgrep decide.
bool looksBinary(std::string_view data);

/// A file name for a message: in single quotes, with control characters, line breaks among
/// them, escaped, so that any name shows on one line and its blanks are visible.
std::string quoted(std::string_view name);

/// A cap in words: "16 MiB", "1 GiB".
std::string sizeInWords(std::size_t bytes);

/// `text` as valid UTF-8: invalid sequences become U+FFFD, with one warning on standard error.
std::string asValidText(std::string text, std::string_view origin);

} // namespace orvel::cli
