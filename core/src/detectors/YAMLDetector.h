#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Block-style YAML (indented mappings and dash sequences, as in configuration files and
/// manifests), normalised to canonical JSON. Modest confidence: plenty of text looks like
/// "key: value" by accident.
class YAMLDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::yaml; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of every answer.
    static constexpr double kConfidence = 0.6;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
