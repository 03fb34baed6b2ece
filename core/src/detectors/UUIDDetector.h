#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A UUID in its canonical 8-4-4-4-12 form; reports the version digit and ends the chain.
class UUIDDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::uuid; }
    std::optional<DecodeResult> decode(std::string_view text) const override;
};

} // namespace orvel
