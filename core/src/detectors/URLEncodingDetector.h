#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// One layer of RFC 3986 percent-encoding; doubly encoded text comes apart one layer per step.
class URLEncodingDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::url; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.9;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
