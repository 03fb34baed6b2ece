#include "detectors/UUIDDetector.h"

#include <algorithm>

#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> UUIDDetector::decodeWith(std::string_view text, const DecodeContext&) const {

    const std::string_view candidate = Text::trimmed(text);
    if (!Patterns::compiled(Patterns::Id::uuid).matches(candidate)) return std::nullopt;

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
