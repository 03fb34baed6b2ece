#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A well-formed XML document, rendered pretty-printed with its root element and the number of
/// element children under it. Property lists are left to the property-list detector. Parsing
/// never touches the network or the file system.
class XMLDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::xml; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.9;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
