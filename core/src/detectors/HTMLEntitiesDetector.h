#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Text carrying HTML character references (a few common named ones, decimal and hexadecimal
/// numeric ones). Every resolvable reference is replaced; the result is decoded further.
class HTMLEntitiesDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::htmlEntities; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.85;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
