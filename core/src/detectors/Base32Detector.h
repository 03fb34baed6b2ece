#pragma once

#include <optional>
#include <string_view>

#include "orvel/Bytes.h"
#include "orvel/Detector.h"

namespace orvel {

/// RFC 4648 base32 (upper-case alphabet, padding optional) whose bytes are readable UTF-8 text.
class Base32Detector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::base32; }
    std::optional<DecodeResult> decode(std::string_view text) const override;

    /// Bytes::base32, the codec this detector reads with.
    static std::optional<ByteString> base32Decode(std::string_view text) { return Bytes::base32(text); }
};

} // namespace orvel
