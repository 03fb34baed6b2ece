#pragma once

#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "orvel/Clock.h"
#include "orvel/DecodeResult.h"
#include "orvel/TextShape.h"

namespace orvel {

/// What one inspection holds fixed for all its steps, so that no two of them judge differently.
struct DecodeContext {
    /// The instant, in seconds since 1970, that expiry verdicts and relative times are measured
    /// against.
    double now = 0;

    /// A context at the clock's current reading.
    static DecodeContext current() { return DecodeContext{Clock::now()}; }
};

/// One recogniser. Stateless: a single instance serves any number of calls on any thread.
/// A detector declines by returning nothing; it never throws.
class Detector {
public:
    virtual ~Detector() = default;
    /// The kind this detector stands for.
    virtual DetectionKind kind() const = 0;
    /// The decoded step for `text` as of `context`, or nothing when `text` is not of this kind.
    std::optional<DecodeResult> decode(std::string_view text, const DecodeContext& context) const {
        return decodeWith(text, context);
    }
    /// The highest confidence any answer of this detector carries: an engine holding an answer at
    /// least this confident need not ask. Unbounded unless the detector declares it.
    virtual double highestConfidence() const { return std::numeric_limits<double>::infinity(); }
    /// The shapes of text this detector may accept: it declines every text of none of them, so an
    /// engine need not ask. No shapes at all means any text may do.
    virtual std::vector<TextShape> acceptedShapes() const { return {}; }
    /// The same as of the clock's current reading.
    std::optional<DecodeResult> decode(std::string_view text) const {
        return decodeWith(text, DecodeContext::current());
    }

private:
    /// What each detector implements: decode's answer. Only the one overload is virtual, so a
    /// detector's own declaration never hides the other.
    virtual std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext& context) const = 0;
};

} // namespace orvel
