#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A JSON Web Token in compact form: the header's algorithm with its risk, typ and kid, the time
/// claims with an expiry verdict, the common string claims and the meaning of each registered
/// claim. The output is the payload text, which the JSON detector renders next; nothing is verified.
class JWTDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::jwt; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.97;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
