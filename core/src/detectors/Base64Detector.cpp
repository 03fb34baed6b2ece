#include "detectors/Base64Detector.h"

#include "detectors/AlphabetText.h"
#include "text/Bytes.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> Base64Detector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view candidate = Text::trimmed(text);
    // A "-" or "_" anywhere decides the alphabet; mixing it with "+" or "/" then fails the match.
    const bool urlSafe = candidate.find_first_of("-_") != std::string_view::npos;
    const Patterns::Id alphabet = urlSafe ? Patterns::Id::base64URLSafe : Patterns::Id::base64Standard;
    if (!Patterns::compiled(alphabet).matches(candidate)) return std::nullopt;
    // The alphabets are ASCII without line breaks: bytes are characters here.
    if (candidate.size() < 8) return std::nullopt;
    // Timestamps, ids and other digit runs are valid base64 but almost never meant as such.
    if (Patterns::compiled(Patterns::Id::digitsOnly).matches(candidate)) return std::nullopt;

    return alphabetTextStep(urlSafe ? DetectionKind::base64url : DetectionKind::base64,
                            urlSafe ? "Base64url" : "Base64", Base64Detector::kConfidence, candidate,
                            urlSafe ? Bytes::base64url(candidate) : Bytes::base64(candidate));
}

std::vector<TextShape> Base64Detector::acceptedShapes() const { return {{.alphabet = ByteSet("A-Za-z0-9+/_=-")}}; }

} // namespace orvel
