#include "detectors/AlphabetText.h"

#include <fmt/format.h>

#include "orvel/Unicode.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> alphabetTextStep(DetectionKind kind, std::string_view label, double confidence,
                                             std::string_view candidate, const std::optional<ByteString>& bytes) {
    if (!bytes || bytes->empty()) return std::nullopt;
    auto decoded = Bytes::utf8Text(*bytes);
    // Random alphabet strings decode to bytes too; only readable text is worth a step.
    if (!decoded || !Text::looksLikePrintableText(*decoded)) return std::nullopt;
    if (Unicode::canonicallyEqual(*decoded, candidate)) return std::nullopt;

    const std::string count = std::to_string(bytes->size());
    return DecodeResult{
        .kind = kind,
        .output = std::move(*decoded),
        .confidence = confidence,
        .summary = fmt::format("{} → {} bytes of text", label, count),
        .details = {{"bytes", count}},
        .terminal = false,
    };
}

} // namespace orvel
