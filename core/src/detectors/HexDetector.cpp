#include "detectors/HexDetector.h"

#include <fmt/format.h>

#include "orvel/Bytes.h"
#include "orvel/Regex.h"
#include "orvel/Text.h"

namespace orvel {

std::optional<DecodeResult> HexDetector::decode(std::string_view text) const {
    static const Regex hexDigits("^[0-9a-fA-F]+$");

    std::string_view candidate = Text::trimmed(text);
    if (candidate.starts_with("0x") || candidate.starts_with("0X")) candidate.remove_prefix(2);
    // The prefix does not count towards the minimum; hex digits are ASCII, so bytes are characters.
    if (candidate.size() < 8 || candidate.size() % 2 != 0) return std::nullopt;
    if (!hexDigits.matches(candidate)) return std::nullopt;

    const auto bytes = Bytes::hex(candidate);
    if (!bytes) return std::nullopt;
    auto decoded = Bytes::utf8Text(*bytes);
    // Half as many bytes as digits: the text can never equal its input, so no progress test.
    if (!decoded || !Text::looksLikePrintableText(*decoded)) return std::nullopt;

    const std::string count = std::to_string(bytes->size());
    return DecodeResult{
        .kind = DetectionKind::hex,
        .output = std::move(*decoded),
        .confidence = 0.6,
        .summary = fmt::format("Hex → {} bytes of text", count),
        .details = {{"bytes", count}},
        .terminal = false,
    };
}

} // namespace orvel
