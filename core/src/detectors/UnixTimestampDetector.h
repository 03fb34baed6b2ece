#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// A Unix time of 10 digits (seconds) or 13 (milliseconds) between 2001-09-09 and 2100-01-01,
/// rendered as an ISO 8601 instant in UTC; ends the chain.
class UnixTimestampDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::unixTimestamp; }

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
