#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A UUID in its canonical 8-4-4-4-12 form; reports the version digit and ends the chain.
class UUIDDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::uuid; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.96;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
