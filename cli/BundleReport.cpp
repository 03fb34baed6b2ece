#include "BundleReport.h"

#include <string>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "Painter.h"
#include "RiskRenderer.h"
#include "TextLayout.h"

namespace orvel::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string daysLeft(const BundleCertificate& certificate) {
    if (!certificate.daysLeft) return "no expiry read";
    const std::int64_t days = *certificate.daysLeft;
    return days >= 0 ? fmt::format("{} days left", days) : fmt::format("expired {} days ago", -days);
}

std::string_view verdictName(BundleOrder::Verdict verdict) {
    switch (verdict) {
    case BundleOrder::Verdict::inOrder:
        return "inOrder";
    case BundleOrder::Verdict::rootsOnly:
        return "rootsOnly";
    case BundleOrder::Verdict::broken:
        return "broken";
    default:
        return "none";
    }
}

// "certificate 2 (EC P-256)": the weakest on one count, in the words of that count.
std::string weakest(const CertificateBundle& bundle, const std::optional<std::size_t>& index, auto describe) {
    if (!index) return "—";
    return fmt::format("certificate {} ({})", *index + 1, describe(bundle.certificates[*index]));
}

Json optionalIndex(const std::optional<std::size_t>& index) { return index ? Json(*index + 1) : Json(); }

} // namespace

void renderBundle(std::FILE* out, const CertificateBundle& bundle, const std::vector<Risk>& risks, RenderStyle style) {
    const Painter painter(style.colour);
    fmt::print(out, "\n{}  {} certificate(s), {} private key(s)\n", painter.heading("Certificate bundle"),
               bundle.certificates.size(), bundle.privateKeys.size());
    for (std::size_t i = 0; i < bundle.certificates.size(); ++i) {
        const BundleCertificate& certificate = bundle.certificates[i];
        const std::string days = daysLeft(certificate);
        fmt::print(out, "  {}  {}  {}  {}  {}\n", painter.heading(fmt::format("{:>2}", i + 1)),
                   painter.kind(TextLayout::padded(roleName(certificate.role), 12)),
                   painter.muted(TextLayout::padded(fmt::format("line {}", certificate.line), 10)),
                   TextLayout::oneLine(fmt::format("{}, {}", certificate.key, certificate.signatureAlgorithm)),
                   certificate.daysLeft && *certificate.daysLeft < 0 ? painter.alarm(days) : painter.muted(days));
        fmt::print(out, "      {}  {}\n      {}  {}\n", painter.muted("subject"),
                   TextLayout::oneLine(certificate.subject), painter.muted("issuer "),
                   TextLayout::oneLine(certificate.issuer));
    }
    for (const std::size_t line : bundle.unreadableLines)
        fmt::print(out, "  {}  a CERTIFICATE block that is not a readable certificate\n",
                   painter.alarm(fmt::format("line {}", line)));
    fmt::print(out, "  {}  {}\n", painter.heading("Order"), bundle.order.summary);
    const auto expiry = [](const BundleCertificate& c) { return daysLeft(c); };
    const auto key = [](const BundleCertificate& c) { return c.key; };
    const auto signature = [](const BundleCertificate& c) { return c.signatureAlgorithm; };
    fmt::print(out, "  {}\n    {}  {}\n    {}  {}\n    {}  {}\n", painter.heading("Weakest link"),
               painter.muted("earliest expiry  "), weakest(bundle, bundle.weakest.earliestExpiry, expiry),
               painter.muted("weakest key      "), weakest(bundle, bundle.weakest.weakestKey, key),
               painter.muted("weakest signature"),
               TextLayout::oneLine(weakest(bundle, bundle.weakest.weakestSignature, signature)));
    for (const BundlePrivateKey& privateKey : bundle.privateKeys) {
        std::string compared;
        if (privateKey.comparedWith) compared = fmt::format(" (certificate {})", *privateKey.comparedWith + 1);
        fmt::print(out, "  {}  line {}, {}{}: {}{}\n", painter.heading("Private key"), privateKey.line,
                   TextLayout::oneLine(privateKey.label), privateKey.key.empty() ? "" : ", " + privateKey.key,
                   keyMatchText(privateKey.match), compared);
    }
    renderRisks(out, risks, style, 2);
}

Json bundleRecord(const CertificateBundle& bundle, const std::vector<Risk>& risks) {
    Json certificates = Json::array();
    for (const BundleCertificate& certificate : bundle.certificates) {
        certificates.push_back(
            {{"line", certificate.line},
             {"role", roleName(certificate.role)},
             {"subject", certificate.subject},
             {"issuer", certificate.issuer},
             {"notAfter", certificate.notAfter ? Json(fmt::format("{:%FT%TZ}", *certificate.notAfter)) : Json()},
             {"daysLeft", certificate.daysLeft ? Json(*certificate.daysLeft) : Json()},
             {"key", certificate.key},
             {"signatureAlgorithm", certificate.signatureAlgorithm}});
    }
    Json keys = Json::array();
    for (const BundlePrivateKey& key : bundle.privateKeys) {
        keys.push_back({{"line", key.line},
                        {"label", key.label},
                        {"key", key.key},
                        {"match", keyMatchText(key.match)},
                        {"comparedWith", optionalIndex(key.comparedWith)}});
    }
    return {{"certificates", std::move(certificates)},
            {"unreadableLines", bundle.unreadableLines},
            {"order",
             {{"verdict", verdictName(bundle.order.verdict)},
              {"summary", bundle.order.summary},
              {"breaks", bundle.order.breaks}}},
            {"weakest",
             {{"earliestExpiry", optionalIndex(bundle.weakest.earliestExpiry)},
              {"weakestKey", optionalIndex(bundle.weakest.weakestKey)},
              {"weakestSignature", optionalIndex(bundle.weakest.weakestSignature)}}},
            {"privateKeys", std::move(keys)},
            {"risks", riskRecords(risks)}};
}

} // namespace orvel::cli
