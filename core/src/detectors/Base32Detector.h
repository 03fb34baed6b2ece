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

    /// The bytes of base32 `text`: "=" is skipped anywhere, trailing partial bits are dropped;
    /// absent on any other character outside the alphabet.
    static std::optional<ByteString> base32Decode(std::string_view text);
};

} // namespace orvel
