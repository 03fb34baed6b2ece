#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A URL query string or form body (key=value pairs joined by "&"), listed by key with the
/// values percent-decoded. An OAuth "error" code is explained from the OAuth error catalogue.
class QueryStringDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::queryString; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.8;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
