#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvel::cli {

/// All of standard input, byte for byte; absent when it cannot be read.
std::optional<std::string> readStandardInput();

/// All of the file at `path`, byte for byte; absent when it cannot be opened or read.
std::optional<std::string> readFile(const std::string& path);

/// `text` as valid UTF-8: invalid sequences become U+FFFD, with one warning on standard error.
std::string asValidText(std::string text, std::string_view origin);

} // namespace orvel::cli
