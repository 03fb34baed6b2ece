#pragma once

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace orvel {

/// An on-device language model: the one platform service the explanation layer asks for text.
/// Implementations must be safe to call from several threads at once; availability is measured
/// at every use, at most briefly cached.
class LanguageModel {
public:
    virtual ~LanguageModel() = default;
    /// Why the model cannot answer right now, or nothing when it can.
    virtual std::optional<std::string> unavailabilityReason() const = 0;
    /// The answer to `prompt` from a fresh session primed with `instructions` (no tools, default
    /// generation options), or nothing when the request fails. A stop request must end the
    /// request soon and counts as a failure.
    virtual std::optional<std::string> respond(std::string_view instructions, std::string_view prompt,
                                               std::stop_token stop) const = 0;

    /// Whether the model can answer right now.
    bool isAvailable() const { return !unavailabilityReason(); }
};

/// Who writes explanations, in one line for a status display, given a model's
/// unavailabilityReason(): "Explanations: on-device AI — the model server answers", or
/// "Explanations: deterministic — " and the reason.
std::string explanationStatus(const std::optional<std::string>& unavailabilityReason);

/// The local model server the user configured (see ModelSettings); without one it reports itself
/// unavailable and every explanation comes from the templates.
std::shared_ptr<const LanguageModel> systemLanguageModel();

} // namespace orvel
