#include "detectors/Base64Detector.h"

#include <fmt/format.h>

#include "orvel/Bytes.h"
#include "orvel/Regex.h"
#include "orvel/Text.h"
#include "orvel/Unicode.h"

namespace orvel {

std::optional<DecodeResult> Base64Detector::decode(std::string_view text) const {
    static const Regex standardAlphabet("^[A-Za-z0-9+/]+={0,2}$");
    static const Regex urlSafeAlphabet("^[A-Za-z0-9_-]+={0,2}$");
    static const Regex digitsOnly("^[0-9]+$");

    const std::string_view candidate = Text::trimmed(text);
    // A "-" or "_" anywhere decides the alphabet; mixing it with "+" or "/" then fails the match.
    const bool urlSafe = candidate.find_first_of("-_") != std::string_view::npos;
    if (!(urlSafe ? urlSafeAlphabet : standardAlphabet).matches(candidate)) return std::nullopt;
    // The alphabets are ASCII without line breaks: bytes are characters here.
    if (candidate.size() < 8) return std::nullopt;
    // Timestamps, ids and other digit runs are valid base64 but almost never meant as such.
    if (digitsOnly.matches(candidate)) return std::nullopt;

    const auto bytes = urlSafe ? Bytes::base64url(candidate) : Bytes::base64(candidate);
    if (!bytes || bytes->empty()) return std::nullopt;
    auto decoded = Bytes::utf8Text(*bytes);
    if (!decoded || !Text::looksLikePrintableText(*decoded)) return std::nullopt;
    if (Unicode::canonicallyEqual(*decoded, candidate)) return std::nullopt;

    const std::string count = std::to_string(bytes->size());
    return DecodeResult{
        .kind = urlSafe ? DetectionKind::base64url : DetectionKind::base64,
        .output = std::move(*decoded),
        .confidence = 0.7,
        .summary = fmt::format("{} → {} bytes of text", urlSafe ? "Base64url" : "Base64", count),
        .details = {{"bytes", count}},
        .terminal = false,
    };
}

} // namespace orvel
