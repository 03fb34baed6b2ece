#pragma once

#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "TerminalRenderer.h"
#include "orvel/CertificateBundle.h"

namespace orvel::cli {

/// Writes the readable view of a certificate bundle: each certificate's role, line, key,
/// signature, days left, subject and issuer, then the chain order, the weakest link, the
/// private keys and the bundle's own risks.
void renderBundle(std::FILE* out, const CertificateBundle& bundle, const std::vector<Risk>& risks, RenderStyle style);

/// The bundle as the audit document's "bundle" record.
nlohmann::ordered_json bundleRecord(const CertificateBundle& bundle, const std::vector<Risk>& risks);

} // namespace orvel::cli
