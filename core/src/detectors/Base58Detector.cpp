#include "detectors/Base58Detector.h"

#include "detectors/AlphabetText.h"
#include "orvel/Limits.h"
#include "text/Bytes.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> Base58Detector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view candidate = Text::trimmed(text);
    // The alphabet is ASCII: bytes are characters here.
    if (candidate.size() < 8 || candidate.size() > Limits::maxBase58InputBytes) return std::nullopt;
    if (!Patterns::compiled(Patterns::Id::base58Text).matches(candidate)) return std::nullopt;
    // Digit runs are ids, counters and timestamps far more often than base58.
    if (Patterns::compiled(Patterns::Id::digitsOnly).matches(candidate)) return std::nullopt;

    return alphabetTextStep(DetectionKind::base58, "Base58", Base58Detector::kConfidence, candidate,
                            Bytes::base58(candidate));
}

std::vector<TextShape> Base58Detector::acceptedShapes() const { return {{.alphabet = ByteSet("1-9A-HJ-NP-Za-km-z")}}; }

} // namespace orvel
