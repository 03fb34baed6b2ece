#include "orvel/ExplainerSource.h"

namespace orvel {

std::string_view rawValue(ExplainerSource source) {
    return source == ExplainerSource::onDeviceAI ? "on-device AI" : "deterministic";
}

std::optional<ExplainerSource> explainerSourceFromRawValue(std::string_view raw) {
    for (const ExplainerSource source : {ExplainerSource::onDeviceAI, ExplainerSource::deterministic}) {
        if (rawValue(source) == raw) return source;
    }
    return std::nullopt;
}

} // namespace orvel
