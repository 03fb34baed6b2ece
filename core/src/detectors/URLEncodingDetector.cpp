#include "detectors/URLEncodingDetector.h"

#include <algorithm>

#include <fmt/format.h>

#include "orvel/Bytes.h"
#include "orvel/Regex.h"
#include "orvel/Unicode.h"

namespace orvel {
namespace {

// Every escape decoded once; absent when a "%" is not followed by two hex digits or the bytes
// are not UTF-8. "+" stays "+": form encoding of blanks is the query-string detector's business.
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (text.size() - i < 3) return std::nullopt;
        const auto byte = Bytes::hex(text.substr(i + 1, 2));
        if (!byte) return std::nullopt;
        decoded += static_cast<char>(byte->front());
        i += 2;
    }
    if (!Unicode::isValidUTF8(decoded)) return std::nullopt;
    return decoded;
}

} // namespace

std::optional<DecodeResult> URLEncodingDetector::decode(std::string_view text) const {
    static const Regex escape("%[0-9A-Fa-f]{2}");

    // Not trimmed: blanks around an encoded value are part of what the user pasted.
    if (!escape.matches(text)) return std::nullopt;
    auto decoded = percentDecoded(text);
    // Each escape turns three characters into one byte, so the output always differs from the input.
    if (!decoded) return std::nullopt;

    const auto escapes = std::count(text.begin(), text.end(), '%');
    return DecodeResult{
        .kind = DetectionKind::url,
        .output = std::move(*decoded),
        .confidence = 0.9,
        .summary = fmt::format("URL/percent-encoded ({} escape{})", escapes, escapes == 1 ? "" : "s"),
        .details = {{"escapes", std::to_string(escapes)}},
        .terminal = false,
    };
}

} // namespace orvel
