#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A JSON object or array, rendered canonically (sorted keys, two-space indent). Terminal.
class JSONDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::json; }
    std::optional<DecodeResult> decode(std::string_view text) const override;
};

} // namespace orvel
