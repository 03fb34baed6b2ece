#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "TerminalRenderer.h"
#include "orvel/Risk.h"

namespace orvel::cli {

/// Writes each risk as two lines starting in column `indent`: its severity and reason, then its
/// id and the reference that sets its threshold. Writes nothing when there are none.
void renderRisks(std::FILE* out, const std::vector<Risk>& risks, RenderStyle style, std::size_t indent);

/// The risks as records of the audit document: id, severity, reason, reference.
nlohmann::ordered_json riskRecords(const std::vector<Risk>& risks);

/// "1 high · 2 medium", the severities present from the highest, or "none".
std::string riskCounts(const std::vector<std::size_t>& countBySeverity);

} // namespace orvel::cli
