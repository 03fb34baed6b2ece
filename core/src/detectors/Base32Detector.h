#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// RFC 4648 base32 (upper-case alphabet, padding optional) whose bytes are readable UTF-8 text.
class Base32Detector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::base32; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.55;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
