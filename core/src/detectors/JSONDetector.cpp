#include "detectors/JSONDetector.h"

#include "text/JSONUtil.h"

namespace orvel {

std::optional<DecodeResult> JSONDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    auto rendering = JSONUtil::prettyPrinted(text);
    if (!rendering) return std::nullopt;
    return DecodeResult{
        .kind = DetectionKind::json,
        .output = std::move(rendering->pretty),
        .confidence = JSONDetector::kConfidence,
        .summary = "JSON " + rendering->topLevel,
        .details = {{"topLevel", rendering->topLevel}},
        .terminal = true,
    };
}

std::vector<TextShape> JSONDetector::acceptedShapes() const { return {{.firstBytes = ByteSet("{[")}}; }

} // namespace orvel
