#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Hexadecimal byte pairs, optionally after "0x", whose bytes are readable UTF-8 text. Binary
/// payloads in hex are left to the container detectors, digests to the hash detector.
class HexDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::hex; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.6;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
