#include "orvel/DecodeChain.h"

#include <algorithm>

#include "orvel/Unicode.h"

namespace orvel {

bool operator==(const DecodeResult& a, const DecodeResult& b) {
    const auto equalDetails = [](const Details& x, const Details& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const auto& p, const auto& q) {
            return p.first == q.first && Unicode::canonicallyEqual(p.second, q.second);
        });
    };
    return a.kind == b.kind && a.confidence == b.confidence && a.terminal == b.terminal &&
           Unicode::canonicallyEqual(a.output, b.output) && Unicode::canonicallyEqual(a.summary, b.summary) &&
           equalDetails(a.details, b.details);
}

std::vector<DetectionKind> DecodeChain::kinds() const {
    std::vector<DetectionKind> result;
    result.reserve(steps.size());
    for (const auto& step : steps) result.push_back(step.kind);
    return result;
}

std::vector<std::string> DecodeChain::rawShape() const {
    std::vector<std::string> result;
    result.reserve(steps.size());
    for (const auto& step : steps) result.emplace_back(rawValue(step.kind));
    return result;
}

std::string joinedShape(const std::vector<std::string>& rawValues) {
    std::string shape;
    for (std::size_t i = 0; i < rawValues.size(); ++i) {
        if (i > 0) shape += " → ";
        shape += rawValues[i];
    }
    return shape;
}

bool operator==(const DecodeChain& a, const DecodeChain& b) {
    return Unicode::canonicallyEqual(a.input, b.input) && a.steps == b.steps;
}

} // namespace orvel
