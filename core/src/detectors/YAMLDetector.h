#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Block-style YAML (indented mappings and dash sequences, as in configuration files and
/// manifests), normalised to canonical JSON. Modest confidence: plenty of text looks like
/// "key: value" by accident.
class YAMLDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::yaml; }
    std::optional<DecodeResult> decode(std::string_view text) const override;
};

} // namespace orvel
