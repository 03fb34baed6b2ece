#include "detectors/UUIDDetector.h"

#include <algorithm>

#include "text/Text.h"

namespace orvel {

namespace {

// Five groups of 8, 4, 4, 4 and 12 hex digits joined by hyphens, and nothing else: checked byte
// by byte, which takes a fraction of a regular expression's call, and a scan checks every UUID.
bool isUUID(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (hyphen ? c != '-' : !hex) return false;
    }
    return true;
}

} // namespace

std::optional<DecodeResult> UUIDDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view candidate = Text::trimmed(text);
    if (!isUUID(candidate)) return std::nullopt;

    // The first digit of the third group, as written: neither the version nor the variant is
    // checked, so the nil UUID says "0" and an unassigned version is shown as it is.
    const std::string version(1, candidate[14]);
    std::string lowered(candidate);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c; });
    return DecodeResult{
        .kind = DetectionKind::uuid,
        .output = std::move(lowered),
        .confidence = UUIDDetector::kConfidence,
        .summary = "UUID (version " + version + ")",
        .details = {{"version", version}},
        .terminal = true,
    };
}

std::vector<TextShape> UUIDDetector::acceptedShapes() const {
    return {{.alphabet = ByteSet("0-9a-fA-F-"), .firstBytes = ByteSet("0-9a-fA-F")}};
}

} // namespace orvel
