#pragma once

#include <optional>
#include <string_view>

#include "orvel/DecodeResult.h"

namespace orvel {

/// One recogniser. Stateless: a single instance serves any number of calls on any thread.
/// A detector declines by returning nothing; it never throws.
class Detector {
public:
    virtual ~Detector() = default;
    /// The kind this detector stands for.
    virtual DetectionKind kind() const = 0;
    /// The decoded step for `text`, or nothing when `text` is not of this kind.
    virtual std::optional<DecodeResult> decode(std::string_view text) const = 0;
};

} // namespace orvel
