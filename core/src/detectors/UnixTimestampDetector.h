#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A Unix time of 10 digits (seconds) or 13 (milliseconds) between 2001-09-09 and 2100-01-01,
/// rendered as an ISO 8601 instant in UTC; ends the chain.
class UnixTimestampDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::unixTimestamp; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.75;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
