#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Text carrying backslash-u (four hex digits) and backslash-x (two hex digits) escapes, as in
/// JSON strings and program logs. Each escape becomes the code point it names; the result is
/// decoded further.
class UnicodeEscapeDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::unicodeEscape; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.8;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
