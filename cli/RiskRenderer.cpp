#include "RiskRenderer.h"

#include <string>

#include <fmt/format.h>

#include "Painter.h"
#include "TextLayout.h"

namespace orvel::cli {
namespace {

// The widest severity name and the gap after it.
constexpr std::size_t kSeverityColumn = 8;

std::string paintedSeverity(const Painter& painter, RiskSeverity severity) {
    const std::string name = TextLayout::padded(severityName(severity), kSeverityColumn);
    switch (severity) {
    case RiskSeverity::high:
        return painter.alarm(name);
    case RiskSeverity::medium:
        return painter.warning(name);
    default:
        return painter.muted(name);
    }
}

} // namespace

void renderRisks(std::FILE* out, const std::vector<Risk>& risks, RenderStyle style, std::size_t indent) {
    const Painter painter(style.colour);
    const std::string margin(indent, ' ');
    const std::size_t textColumn = indent + kSeverityColumn;
    for (const Risk& risk : risks) {
        std::string reason = TextLayout::oneLine(risk.reason);
        if (style.width > textColumn + 20) reason = TextLayout::wrapped(reason, style.width - textColumn, textColumn);
        fmt::print(out, "{}{}{}\n{}{}\n", margin, paintedSeverity(painter, risk.severity), reason,
                   std::string(textColumn, ' '),
                   painter.muted(fmt::format("{} · {}", risk.id, TextLayout::oneLine(risk.reference))));
    }
}

nlohmann::ordered_json riskRecords(const std::vector<Risk>& risks) {
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const Risk& risk : risks) {
        records.push_back({{"id", risk.id},
                           {"severity", severityName(risk.severity)},
                           {"reason", risk.reason},
                           {"reference", risk.reference}});
    }
    return records;
}

std::string riskCounts(const std::vector<std::size_t>& countBySeverity) {
    std::string counts;
    for (std::size_t level = countBySeverity.size(); level-- > 0;) {
        if (countBySeverity[level] == 0) continue;
        counts += fmt::format("{}{} {}", counts.empty() ? "" : " · ", countBySeverity[level],
                              severityName(static_cast<RiskSeverity>(level)));
    }
    return counts.empty() ? "none" : counts;
}

} // namespace orvel::cli
