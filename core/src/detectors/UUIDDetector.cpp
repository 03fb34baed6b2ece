#include "detectors/UUIDDetector.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/Text.h"

namespace orvel {

namespace {

// Five groups of 8, 4, 4, 4 and 12 hex digits joined by hyphens, and nothing else: checked byte
// by byte, which takes a fraction of a regular expression's call, and a scan checks every UUID.
bool isUUID(std::string_view text) {
    static constexpr std::array<bool, 256> kHexDigit = [] {
        std::array<bool, 256> digits{};
        for (const char c : std::string_view("0123456789abcdefABCDEF")) digits[static_cast<unsigned char>(c)] = true;
        return digits;
    }();
    constexpr std::size_t kLength = 36;
    constexpr std::uint64_t kHyphens =
        std::uint64_t{1} << 8 | std::uint64_t{1} << 13 | std::uint64_t{1} << 18 | std::uint64_t{1} << 23;
    if (text.size() != kLength || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
    bool digits = true;
    for (std::size_t i = 0; i < kLength; ++i) {
        digits &= kHexDigit[static_cast<unsigned char>(text[i])] || ((kHyphens >> i) & 1) != 0;
    }
    return digits;
}

} // namespace

std::optional<DecodeResult> UUIDDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view candidate = Text::trimmed(text);
    if (!isUUID(candidate)) return std::nullopt;

    // The first digit of the third group, as written: neither the version nor the variant is
    // checked, so the nil UUID says "0" and an unassigned version is shown as it is.
    const std::string version(1, candidate[14]);
    std::string lowered(candidate);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c; });
    return DecodeResult{
        .kind = DetectionKind::uuid,
        .output = std::move(lowered),
        .confidence = UUIDDetector::kConfidence,
        .summary = "UUID (version " + version + ")",
        .details = {{"version", version}},
        .terminal = true,
    };
}

std::vector<TextShape> UUIDDetector::acceptedShapes() const {
    return {{.alphabet = ByteSet("0-9a-fA-F-"), .firstBytes = ByteSet("0-9a-fA-F")}};
}

} // namespace orvel
