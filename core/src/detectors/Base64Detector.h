#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Base64 (standard alphabet, padded) or base64url (URL-safe, padding optional) whose bytes
/// are readable UTF-8 text. Binary payloads are left to the container detectors.
class Base64Detector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::base64; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.7;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
