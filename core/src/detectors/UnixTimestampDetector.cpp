#include "detectors/UnixTimestampDetector.h"

#include <charconv>

#include <fmt/format.h>

#include "text/Instant.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {
namespace {

// 2001-09-09T01:46:40Z and 2100-01-01T00:00:00Z, both included: the first ten-digit second,
// and a horizon past which a digit run is more likely an id than a time.
constexpr double kEarliest = 1'000'000'000;
constexpr double kLatest = 4'102'444'800;

} // namespace

std::optional<DecodeResult> UnixTimestampDetector::decodeWith(std::string_view text, const DecodeContext&) const {

    const std::string_view candidate = Text::trimmed(text);
    if (!Patterns::compiled(Patterns::Id::digitsOnly).matches(candidate)) return std::nullopt;
    const bool milliseconds = candidate.size() == 13;
    if (candidate.size() != 10 && !milliseconds) return std::nullopt;

    double value = 0;
    std::from_chars(candidate.data(), candidate.data() + candidate.size(), value);
    // Milliseconds keep their fraction here; the rendering shows only the whole second.
    const double seconds = milliseconds ? value / 1000 : value;
    if (seconds < kEarliest || seconds > kLatest) return std::nullopt;
    auto iso = Instant::iso8601(seconds);
    if (!iso) return std::nullopt;

    const std::string unit = milliseconds ? "milliseconds" : "seconds";
    return DecodeResult{
        .kind = DetectionKind::unixTimestamp,
        .output = *iso,
        .confidence = UnixTimestampDetector::kConfidence,
        .summary = fmt::format("Unix timestamp ({}) → {}", unit, *iso),
        .details = {{"unit", unit}, {"iso", *iso}},
        .terminal = true,
    };
}

std::vector<TextShape> UnixTimestampDetector::acceptedShapes() const { return {{.alphabet = ByteSet("0-9")}}; }

} // namespace orvel
