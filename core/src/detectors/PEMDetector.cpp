#include "detectors/PEMDetector.h"

#include <chrono>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "security/X509.h"
#include "text/Bytes.h"
#include "text/Instant.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {
namespace {

double secondsSince1970(std::chrono::sys_seconds instant) {
    return static_cast<double>(instant.time_since_epoch().count());
}

// X509 only yields years 0000 to 9999, all of which have an ISO 8601 text.
std::string iso8601(std::chrono::sys_seconds instant) {
    return Instant::iso8601(secondsSince1970(instant)).value_or(std::string{});
}

DecodeResult certificateResult(const CertificateFacts& facts, Details details, double now) {
    std::vector<std::string> lines;
    if (facts.subjectCN) {
        details["subject_cn"] = *facts.subjectCN;
        lines.push_back("subject: CN=" + *facts.subjectCN);
    }
    if (facts.issuerCN) {
        details["issuer_cn"] = *facts.issuerCN;
        lines.push_back("issuer: CN=" + *facts.issuerCN);
    }
    if (facts.notBefore) {
        details["not_before"] = iso8601(*facts.notBefore);
        lines.push_back("notBefore: " + details["not_before"]);
    }
    std::string verdict;
    if (facts.notAfter) {
        // A certificate whose last instant is exactly now is still valid.
        const bool expired = secondsSince1970(*facts.notAfter) < now;
        verdict = expired ? " EXPIRED" : " valid (not expired)";
        details["not_after"] = iso8601(*facts.notAfter);
        details["expired"] = expired ? "true" : "false";
        lines.push_back("notAfter: " + details["not_after"] + verdict);
    }
    if (!facts.sanDNS.empty()) {
        details["san_dns"] = fmt::format("{}", fmt::join(facts.sanDNS, ", "));
        lines.push_back("SAN: " + details["san_dns"]);
    }
    return DecodeResult{
        .kind = DetectionKind::pem,
        .output = fmt::format("{}", fmt::join(lines, "\n")),
        .confidence = PEMDetector::kConfidence,
        .summary = fmt::format("X.509 certificate (CN={}){}", facts.subjectCN.value_or("?"), verdict),
        .details = std::move(details),
        .terminal = true,
    };
}

} // namespace

std::optional<DecodeResult> PEMDetector::decodeWith(std::string_view text, const DecodeContext& context) const {
    const auto match = Patterns::compiled(Patterns::Id::pemArmour).firstMatch(text);
    if (!match || match->groups.size() != 2 || !match->groups[0] || !match->groups[1]) return std::nullopt;
    const TextRange labelRange = *match->groups[0];
    const TextRange bodyRange = *match->groups[1];
    const std::string label(
        Text::trimmedOfSpacesAndTabs(text.substr(labelRange.begin, labelRange.end - labelRange.begin)));
    const std::string body = Patterns::compiled(Patterns::Id::whiteSpace)
                                 .replaceAll(text.substr(bodyRange.begin, bodyRange.end - bodyRange.begin), "");

    const auto der = Bytes::base64(body);
    if (!der || der->empty()) return std::nullopt;
    const std::string size = std::to_string(der->size());
    Details details{{"label", label}, {"der_bytes", size}};

    const bool isCertificate =
        label.find("CERTIFICATE") != std::string::npos && label.find("REQUEST") == std::string::npos;
    if (isCertificate) {
        // An unreadable certificate is still a PEM block: it falls through to label and size.
        if (const auto facts = X509::parse(*der)) return certificateResult(*facts, std::move(details), context.now);
    }
    return DecodeResult{
        .kind = DetectionKind::pem,
        .output = fmt::format("{} — {} bytes DER", label, size),
        .confidence = PEMDetector::kConfidence,
        .summary = fmt::format("PEM: {} ({} bytes DER)", label, size),
        .details = std::move(details),
        .terminal = true,
    };
}

std::vector<TextShape> PEMDetector::acceptedShapes() const {
    // The armour's "-----BEGIN " and "-----END ".
    return {{.mustContain = ByteSet("-BEGIND")}};
}

} // namespace orvel
