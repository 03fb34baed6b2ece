#pragma once

#include "orvel/Detector.h"

namespace orvel {

/// Crypt-style password hashes ("$2b$12$...", "$argon2id$...") named by their scheme, and bare
/// hexadecimal digests whose algorithm can only be guessed from the length. Both come with a
/// security note; the result is terminal.
class HashDetector final : public Detector {
public:
    DetectionKind kind() const override { return DetectionKind::hash; }
    double highestConfidence() const override { return kConfidence; }
    std::vector<TextShape> acceptedShapes() const override;

    /// The confidence of its surest answer.
    static constexpr double kConfidence = 0.93;

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const override;
};

} // namespace orvel
