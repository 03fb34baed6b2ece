#include "detectors/Base58Detector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "detectors/AlphabetText.h"
#include "orvel/Limits.h"
#include "orvel/Text.h"
#include "text/DigitTable.h"
#include "text/Patterns.h"

namespace orvel {
namespace {

constexpr std::array<int, 256> kDigitValues = digitTable("123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz");

// Five digits at a time: 58^5 < 2^30, so limb × 58^5 + carry always fits in 64 bits. Taking
// 32-bit limbs and five digits per pass does about twenty times less work than byte by byte.
constexpr std::size_t kDigitsPerPass = 5;

} // namespace

std::optional<ByteString> Base58Detector::base58Decode(std::string_view text) {
    std::vector<std::uint32_t> limbs; // the number so far, least significant limb first
    for (std::size_t start = 0; start < text.size(); start += kDigitsPerPass) {
        std::uint64_t multiplier = 1;
        std::uint64_t carry = 0;
        for (std::size_t i = start; i < text.size() && i < start + kDigitsPerPass; ++i) {
            const int value = kDigitValues[static_cast<unsigned char>(text[i])];
            if (value == kNotInAlphabet) return std::nullopt;
            multiplier *= 58;
            carry = carry * 58 + static_cast<std::uint64_t>(value);
        }
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t x = limb * multiplier + carry;
            limb = static_cast<std::uint32_t>(x);
            carry = x >> 32;
        }
        for (; carry != 0; carry >>= 32) limbs.push_back(static_cast<std::uint32_t>(carry));
    }

    // Each leading "1" (the digit zero) stands for a zero byte the number itself cannot show.
    const std::size_t leadingZeros = std::min(text.find_first_not_of('1'), text.size());
    ByteString bytes(leadingZeros, 0);
    bytes.reserve(leadingZeros + limbs.size() * 4);
    bool significant = false;
    for (auto limb = limbs.rbegin(); limb != limbs.rend(); ++limb) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            const auto byte = static_cast<std::uint8_t>(*limb >> shift);
            significant = significant || byte != 0;
            if (significant) bytes.push_back(byte);
        }
    }
    return bytes;
}

std::optional<DecodeResult> Base58Detector::decode(std::string_view text) const {
    const std::string_view candidate = Text::trimmed(text);
    // The alphabet is ASCII: bytes are characters here.
    if (candidate.size() < 8 || candidate.size() > Limits::maxBase58InputBytes) return std::nullopt;
    if (!Patterns::compiled(Patterns::Id::base58Text).matches(candidate)) return std::nullopt;
    // Digit runs are ids, counters and timestamps far more often than base58.
    if (Patterns::compiled(Patterns::Id::digitsOnly).matches(candidate)) return std::nullopt;

    return alphabetTextStep(DetectionKind::base58, "Base58", 0.5, candidate, base58Decode(candidate));
}

} // namespace orvel
