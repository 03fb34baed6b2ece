#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A gzip member in a base64, base64url or hex wrapper whose content is readable UTF-8 text.
class GzipDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::gzip; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.92;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
