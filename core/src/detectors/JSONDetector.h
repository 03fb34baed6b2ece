#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A JSON object or array, rendered canonically (sorted keys, two-space indent). Terminal.
class JSONDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::json; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.95;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
