#include "detectors/Base32Detector.h"

#include "detectors/AlphabetText.h"
#include "text/Bytes.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> Base32Detector::decodeWith(std::string_view text, const DecodeContext&) const {
    // No length rule: unpadded base32 is common (TOTP secrets), and a stray partial group only
    // loses its trailing bits.
    const std::string_view candidate = Text::trimmed(text);
    if (!Patterns::compiled(Patterns::Id::base32Text).matches(candidate)) return std::nullopt;
    // The alphabet is ASCII: bytes are characters here.
    if (candidate.size() < 8) return std::nullopt;

    return alphabetTextStep(DetectionKind::base32, "Base32", Base32Detector::kConfidence, candidate,
                            Bytes::base32(candidate));
}

std::vector<TextShape> Base32Detector::acceptedShapes() const { return {{.alphabet = ByteSet("A-Z2-7=")}}; }

} // namespace orvel
