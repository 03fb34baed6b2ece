#pragma once

#include <optional>
#include <string_view>

#include "orvel/Bytes.h"
#include "orvel/Detector.h"

namespace orvel {

/// Base58 (the Bitcoin alphabet, without 0, O, I and l) whose bytes are readable UTF-8 text.
class Base58Detector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::base58; }
    std::optional<DecodeResult> decode(std::string_view text) const override;

    /// The big-endian bytes of the base58 number `text`, one zero byte per leading "1"; absent on
    /// a character outside the alphabet. Quadratic in the length of `text`.
    static std::optional<ByteString> base58Decode(std::string_view text);
};

} // namespace orvel
