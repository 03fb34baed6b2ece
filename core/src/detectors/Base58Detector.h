#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Base58 (the Bitcoin alphabet, without 0, O, I and l) whose bytes are readable UTF-8 text.
class Base58Detector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::base58; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.5;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
