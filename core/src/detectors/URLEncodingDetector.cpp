#include "detectors/URLEncodingDetector.h"

#include <algorithm>

#include <fmt/format.h>

#include "text/Bytes.h"
#include "text/Patterns.h"

namespace orvel {

std::optional<DecodeResult> URLEncodingDetector::decodeWith(std::string_view text, const DecodeContext&) const {

    // Not trimmed: blanks around an encoded value are part of what the user pasted.
    if (!Patterns::compiled(Patterns::Id::percentEscape).matches(text)) return std::nullopt;
    auto decoded = Bytes::percentDecoded(text);
    // Each escape turns three characters into one byte, so the output always differs from the input.
    if (!decoded) return std::nullopt;

    const auto escapes = std::count(text.begin(), text.end(), '%');
    return DecodeResult{
        .kind = DetectionKind::url,
        .output = std::move(*decoded),
        .confidence = URLEncodingDetector::kConfidence,
        .summary = fmt::format("URL/percent-encoded ({} escape{})", escapes, escapes == 1 ? "" : "s"),
        .details = {{"escapes", std::to_string(escapes)}},
        .terminal = false,
    };
}

std::vector<TextShape> URLEncodingDetector::acceptedShapes() const { return {{.mustContain = ByteSet("%")}}; }

} // namespace orvel
