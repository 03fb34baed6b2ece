#include "CertificateReader.h"
#include "Families.h"
#include "RiskText.h"

#include <algorithm>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace orvel::RiskFamilies {
namespace {

using std::chrono::sys_seconds;

constexpr std::string_view validityReference = "RFC 5280 §4.1.2.5";
constexpr std::string_view baselineRequirements = "CA/Browser Forum Baseline Requirements";
/// The longest a publicly trusted leaf may be valid since September 2020.
constexpr std::chrono::days maximumLeafValidity{398};
constexpr std::size_t minimumRSABits = 2048;
constexpr std::size_t minimumECBits = 256;

void add(Assessment& out, std::string_view id, RiskSeverity severity, std::string reason, std::string_view reference) {
    out.risks.push_back(Risk{std::string(id), severity, std::move(reason), std::string(reference)});
}

// Expired or not yet valid now, and at the log line's own time when there is one. A certificate
// whose last instant is exactly the moment judged is still valid, as the chain's verdict says.
void judgeValidity(const CertificateDetails& certificate, const RiskContext& context, Assessment& out) {
    if (certificate.notAfter && *certificate.notAfter < context.now) {
        add(out, "certificate.expired", RiskSeverity::high,
            fmt::format("expired {} ({})", RiskText::ago(*certificate.notAfter, context.now),
                        RiskText::iso(*certificate.notAfter)),
            validityReference);
    }
    if (certificate.notBefore && *certificate.notBefore > context.now) {
        add(out, "certificate.not-yet-valid", RiskSeverity::high,
            fmt::format("not yet valid: starts in {} ({})", RiskText::span(*certificate.notBefore - context.now),
                        RiskText::iso(*certificate.notBefore)),
            validityReference);
    }
    if (!context.lineTime) return;
    const LineTime& line = *context.lineTime;
    if (certificate.notAfter && *certificate.notAfter < line.instant) {
        add(out, "certificate.expired", RiskSeverity::high,
            fmt::format("expired {} before this line ({})", RiskText::span(line.instant - *certificate.notAfter),
                        line.text),
            validityReference);
    }
    if (certificate.notBefore && *certificate.notBefore > line.instant) {
        add(out, "certificate.not-yet-valid", RiskSeverity::high,
            fmt::format("not yet valid at this line ({}): starts {} later", line.text,
                        RiskText::span(*certificate.notBefore - line.instant)),
            validityReference);
    }
}

void judgeLifetime(const CertificateDetails& certificate, Assessment& out) {
    if (certificate.isCA || !certificate.notBefore || !certificate.notAfter) return;
    const auto lifetime = *certificate.notAfter - *certificate.notBefore;
    if (lifetime <= maximumLeafValidity) return;
    // Rounded up, so a day and a second over never reads as the maximum itself.
    add(out, "certificate.validity-too-long", RiskSeverity::medium,
        fmt::format("valid for {} days (leaf maximum {})", std::chrono::ceil<std::chrono::days>(lifetime).count(),
                    maximumLeafValidity.count()),
        baselineRequirements);
}

void judgeAlgorithms(const CertificateDetails& certificate, Assessment& out) {
    if (certificate.signature.weak()) {
        add(out, "certificate.weak-signature", RiskSeverity::high,
            fmt::format("signed with {} (its digest's collisions are practical)", certificate.signature.name),
            "NIST SP 800-131A Rev. 2");
    }
    const PublicKey& key = certificate.key;
    if (key.algorithm == PublicKey::Algorithm::rsa && key.bits < minimumRSABits) {
        add(out, "certificate.weak-key", RiskSeverity::high,
            fmt::format("RSA key of {} bits (minimum {})", key.bits, minimumRSABits), "NIST SP 800-131A Rev. 2");
    }
    if (key.algorithm == PublicKey::Algorithm::ec && key.bits > 0 && key.bits < minimumECBits) {
        add(out, "certificate.weak-key", RiskSeverity::high,
            fmt::format("EC key on {} of {} bits (minimum {})", key.curve, key.bits, minimumECBits),
            baselineRequirements);
    }
}

// A name a client would compare with a host: dotted labels with a letter somewhere, so neither
// a person's name nor an IP address.
bool looksLikeHostName(std::string_view name) {
    const bool hostCharacters = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
               c == '*';
    });
    const bool hasLetter =
        std::any_of(name.begin(), name.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
    return hostCharacters && hasLetter && name.find('.') != std::string_view::npos;
}

void judgeNames(const CertificateDetails& certificate, Assessment& out) {
    const bool leaf = !certificate.isCA;
    if (leaf && certificate.sanDNS.empty() && certificate.subjectCN) {
        // Clients stopped reading host names from the common name; one that looks like a host
        // name will no longer be matched, anything else was never meant to be.
        const bool hostName = looksLikeHostName(*certificate.subjectCN);
        add(out, "certificate.cn-only", hostName ? RiskSeverity::medium : RiskSeverity::low,
            fmt::format("names itself only in its common name (CN={}), with no DNS name in subjectAltName",
                        *certificate.subjectCN),
            "RFC 6125 §6.4.4; " + std::string(baselineRequirements));
    }
    std::vector<std::string_view> wildcards;
    for (const std::string& name : certificate.sanDNS) {
        if (name.find('*') != std::string::npos) wildcards.push_back(name);
    }
    if (!wildcards.empty()) {
        add(out, "certificate.wildcard", RiskSeverity::low,
            fmt::format("wildcard names: {} (one key serves every matching host)", fmt::join(wildcards, ", ")),
            "RFC 6125 §7.2");
    }
    if (leaf && certificate.selfIssued()) {
        add(out, "certificate.self-signed", RiskSeverity::medium,
            fmt::format("self-signed leaf ({}): no certificate authority vouches for it", certificate.subject),
            "RFC 5280 §6.1");
    }
}

} // namespace

void certificateRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context,
                      Assessment& out) {
    const auto label = step.details.find("label");
    if (label == step.details.end() || label->second != "CERTIFICATE") return;
    const auto block = CertificateReader::firstPEMBlock(stepInput);
    if (!block || !block->der) return;
    const auto certificate = CertificateReader::read(*block->der);
    if (!certificate) return;
    judgeValidity(*certificate, context, out);
    judgeLifetime(*certificate, out);
    judgeAlgorithms(*certificate, out);
    judgeNames(*certificate, out);
}

} // namespace orvel::RiskFamilies
