#include "orvel/TemplateExplainer.h"

#include <optional>

#include "orvel/DetailCategorizer.h"

namespace orvel {

std::string TemplateExplainer::explain(const DecodeChain& chain, std::stop_token) const { return explainSync(chain); }

std::string TemplateExplainer::explainSync(const DecodeChain& chain) const {
    if (!chain.isRecognized()) {
        return "Not recognized as a known artifact. It may be plain text, an unsupported format, or only a fragment "
               "— try pasting more context.";
    }
    // The outermost summary names what the user pasted; the inner layers are in the shape.
    std::string explanation = chain.steps.size() == 1
                                  ? "This is " + chain.steps.front().summary + "."
                                  : "This is a " + chain.shapeText() + " chain: " + chain.steps.front().summary + ".";

    // The outermost layer's notes win: they speak about what the user actually holds.
    std::optional<std::string> security, recommendation, other;
    for (const DecodeResult& step : chain.steps) {
        DetailCategorizer split(step.details);
        for (auto& [key, value] : split.notes) {
            std::optional<std::string>& slot = key == "security"         ? security
                                               : key == "recommendation" ? recommendation
                                                                         : other;
            if (!slot) slot = std::move(value);
        }
    }
    if (security) explanation += " Security: " + *security;
    if (recommendation) explanation += " Next: " + *recommendation;
    if (!security && !recommendation && other) explanation += " " + *other;
    return explanation;
}

} // namespace orvel
