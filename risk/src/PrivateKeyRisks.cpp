#include "Families.h"
#include "text/Patterns.h"
#include "text/Text.h"

#include <fmt/format.h>

namespace orvel::RiskFamilies {

Risk privateKeyRisk(std::string_view label) {
    return {"key.private-key", RiskSeverity::high,
            fmt::format("secret material: rotate it if it was shared ({})", label),
            "OWASP Secrets Management Cheat Sheet"};
}

void privateKeyRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext&, Assessment& out) {
    const auto label = step.details.find("label");
    if (label == step.details.end() || label->second.find("PRIVATE KEY") == std::string::npos) return;
    // Encrypted keys count too: the passphrase is often weak, shared beside the key, or both.
    out.risks.push_back(privateKeyRisk(label->second));
    // The same armour the detector read, so the body is the stretch it decoded.
    const auto match = Patterns::compiled(Patterns::Id::pemArmour).firstMatch(stepInput);
    if (!match || match->groups.size() != 2 || !match->groups[1]) return;
    const std::string_view body =
        Text::trimmed(stepInput.substr(match->groups[1]->begin, match->groups[1]->end - match->groups[1]->begin));
    if (!body.empty()) out.secrets.emplace_back(body);
}

} // namespace orvel::RiskFamilies
