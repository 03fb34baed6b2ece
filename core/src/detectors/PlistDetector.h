#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A property list pasted as XML, or a binary one inside a base64, base64url or hex wrapper,
/// rendered as an XML property list (version 1.0) with its root type.
class PlistDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::plist; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.95;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
