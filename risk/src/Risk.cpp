#include "orvel/Risk.h"

#include "Families.h"
#include "RiskText.h"
#include "orvel/Clock.h"
#include "orvel/Credentials.h"
#include "security/Explainer.h"
#include "text/Instant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include <fmt/format.h>

namespace orvel {
namespace {

using namespace RiskFamilies;

struct FamilyRow {
    DetectionKind kind;
    StepCheck check;
};

// Which family looks at which kind of step; a kind may have several.
constexpr std::array<FamilyRow, 4> familyTable{{
    {DetectionKind::jwt, tokenRisks},
    {DetectionKind::hash, passwordHashRisks},
    {DetectionKind::pem, certificateRisks},
    {DetectionKind::pem, privateKeyRisks},
}};

constexpr std::array<std::pair<RiskSeverity, std::string_view>, 4> severityNames{{
    {RiskSeverity::info, "info"},
    {RiskSeverity::low, "low"},
    {RiskSeverity::medium, "medium"},
    {RiskSeverity::high, "high"},
}};

} // namespace

std::string_view severityName(RiskSeverity severity) {
    return severityNames[static_cast<std::size_t>(severity)].second;
}

std::optional<RiskSeverity> severityFromName(std::string_view name) {
    for (const auto& [severity, text] : severityNames) {
        if (text == name) return severity;
    }
    return std::nullopt;
}

RiskContext currentRiskContext() {
    const auto seconds = static_cast<std::int64_t>(std::floor(Clock::now()));
    return RiskContext{.now = std::chrono::sys_seconds{std::chrono::seconds{seconds}}, .lineTime = std::nullopt};
}

namespace {

void sortBySeverity(std::vector<Risk>& risks) {
    std::stable_sort(risks.begin(), risks.end(), [](const Risk& a, const Risk& b) { return a.severity > b.severity; });
}

} // namespace

Assessment assess(const DecodeChain& chain, const RiskContext& context) {
    Assessment out;
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const DecodeResult& step = chain.steps[i];
        const std::string_view stepInput = i == 0 ? std::string_view(chain.input) : chain.steps[i - 1].output;
        for (const FamilyRow& row : familyTable) {
            if (row.kind == step.kind) row.check(stepInput, step, context, out);
        }
    }
    sortBySeverity(out.risks);
    return out;
}

Assessment assessText(const DecodeChain& chain, const RiskContext& context) {
    Assessment out = assess(chain, context);
    for (CredentialFinding& credential : findCredentials(chain.input)) {
        out.secrets.push_back(chain.input.substr(credential.offset, credential.length));
        out.risks.push_back(std::move(credential.risk));
    }
    sortBySeverity(out.risks);
    return out;
}

namespace RiskText {

std::string span(std::chrono::seconds length) {
    const auto s = std::chrono::abs(length).count();
    if (s < 60) return fmt::format("{} s", s);
    if (s < 3600) return fmt::format("{} min", s / 60);
    if (s < 2 * 86400) return fmt::format("{} h", s / 3600);
    return fmt::format("{} days", s / 86400);
}

std::string ago(std::chrono::sys_seconds instant, std::chrono::sys_seconds now) {
    return Explainer::relativeTime(static_cast<double>((instant - now).count())).value_or("?");
}

std::string iso(std::chrono::sys_seconds instant) {
    return Instant::iso8601(static_cast<double>(instant.time_since_epoch().count())).value_or("?");
}

} // namespace RiskText
} // namespace orvel
