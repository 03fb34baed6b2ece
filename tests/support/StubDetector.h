#pragma once

// A detector for engine and scanner tests whose answer is a function of its input; it counts its
// calls.
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "orvel/Detector.h"

namespace orvel::testing {

using Answer = std::optional<DecodeResult>;

class StubDetector final : public Detector {
public:
    StubDetector(DetectionKind kind, std::function<Answer(std::string_view)> rule)
        : m_kind(kind), m_rule(std::move(rule)) {}
    DetectionKind kind() const override { return m_kind; }
    double highestConfidence() const override { return ceiling; }
    std::vector<TextShape> acceptedShapes() const override { return shapes; }
    mutable std::atomic<int> calls{0};
    double ceiling = std::numeric_limits<double>::infinity();
    std::vector<TextShape> shapes;

private:
    Answer decodeWith(std::string_view text, const DecodeContext&) const override {
        ++calls;
        return m_rule(text);
    }
    DetectionKind m_kind;
    std::function<Answer(std::string_view)> m_rule;
};

/// A stub detector of `kind` that answers by `rule`.
inline std::shared_ptr<StubDetector> stub(std::function<Answer(std::string_view)> rule,
                                          DetectionKind kind = DetectionKind::base64) {
    return std::make_shared<StubDetector>(kind, std::move(rule));
}

} // namespace orvel::testing
