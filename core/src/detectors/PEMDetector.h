#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// The first PEM armour block anywhere in the text: its label and DER size, and for a
/// certificate the subject, issuer, validity with an expiry verdict, and DNS names. Terminal.
class PEMDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::pem; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.95;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
