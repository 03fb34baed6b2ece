#include "detectors/Base32Detector.h"

#include <array>
#include <cstdint>

#include "detectors/AlphabetText.h"
#include "text/DigitTable.h"
#include "text/Patterns.h"
#include "orvel/Text.h"

namespace orvel {
namespace {

constexpr std::array<int, 256> kDigitValues = digitTable("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567");

} // namespace

std::optional<ByteString> Base32Detector::base32Decode(std::string_view text) {
    ByteString bytes;
    bytes.reserve(text.size() * 5 / 8);
    std::uint64_t accumulator = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') continue;
        const int value = kDigitValues[static_cast<unsigned char>(c)];
        if (value == kNotInAlphabet) return std::nullopt;
        accumulator = accumulator << 5 | static_cast<std::uint64_t>(value);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> bits));
        }
    }
    return bytes;
}

std::optional<DecodeResult> Base32Detector::decode(std::string_view text) const {
    // No length rule: unpadded base32 is common (TOTP secrets), and a stray partial group only
    // loses its trailing bits.
    const std::string_view candidate = Text::trimmed(text);
    if (!Patterns::compiled(Patterns::Id::base32Text).matches(candidate)) return std::nullopt;
    // The alphabet is ASCII: bytes are characters here.
    if (candidate.size() < 8) return std::nullopt;

    return alphabetTextStep(DetectionKind::base32, "Base32", 0.55, candidate, base32Decode(candidate));
}

} // namespace orvel
