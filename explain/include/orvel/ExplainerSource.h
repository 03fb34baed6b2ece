#pragma once

#include <optional>
#include <string_view>

namespace orvel {

/// Which explainer an explanation comes from; the raw value is the label shown beside it.
enum class ExplainerSource {
    onDeviceAI,    ///< "on-device AI"
    deterministic, ///< "deterministic"
};

/// The label of a source: "on-device AI" or "deterministic".
std::string_view rawValue(ExplainerSource source);

/// The source whose label is exactly `raw` (case-sensitive), if any.
std::optional<ExplainerSource> explainerSourceFromRawValue(std::string_view raw);

} // namespace orvel
