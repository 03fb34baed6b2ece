#include "detectors/EscapeWalk.h"

#include <utility>

#include "orvel/Unicode.h"

namespace orvel {

std::optional<DecodeResult> unescapedStep(DetectionKind kind, std::string_view label, double confidence,
                                          std::string_view text, Unescaped unescaped) {
    if (unescaped.count == 0 || Unicode::canonicallyEqual(unescaped.text, text)) return std::nullopt;
    const std::string decoded = std::to_string(unescaped.count);
    return DecodeResult{
        .kind = kind,
        .output = std::move(unescaped.text),
        .confidence = confidence,
        .summary = std::string(label) + " (" + decoded + " decoded)",
        .details = {{"count", decoded}},
        .terminal = false,
    };
}

} // namespace orvel
