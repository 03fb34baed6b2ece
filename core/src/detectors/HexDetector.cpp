#include "detectors/HexDetector.h"

#include "detectors/AlphabetText.h"
#include "text/Bytes.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> HexDetector::decodeWith(std::string_view text, const DecodeContext&) const {

    std::string_view candidate = Text::trimmed(text);
    if (candidate.starts_with("0x") || candidate.starts_with("0X")) candidate.remove_prefix(2);
    // The prefix does not count towards the minimum; hex digits are ASCII, so bytes are characters.
    if (candidate.size() < 8 || candidate.size() % 2 != 0) return std::nullopt;
    if (!Patterns::compiled(Patterns::Id::hexDigits).matches(candidate)) return std::nullopt;

    return alphabetTextStep(DetectionKind::hex, "Hex", HexDetector::kConfidence, candidate, Bytes::hex(candidate));
}

std::vector<TextShape> HexDetector::acceptedShapes() const {
    // With or without "0x".
    return {{.alphabet = ByteSet("0-9a-fA-FxX")}};
}

} // namespace orvel
