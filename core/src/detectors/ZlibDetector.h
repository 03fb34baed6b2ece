#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A zlib stream in a base64, base64url or hex wrapper whose content is readable UTF-8 text.
class ZlibDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::zlib; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.88;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
