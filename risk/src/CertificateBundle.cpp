#include "orvel/CertificateBundle.h"

#include "CertificateReader.h"

#include <algorithm>
#include <unordered_map>

#include <fmt/format.h>

namespace orvel {
namespace {

CertificateRole roleOf(const CertificateDetails& certificate) {
    if (!certificate.isCA) return CertificateRole::leaf;
    return certificate.selfIssued() ? CertificateRole::root : CertificateRole::intermediate;
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
    return fmt::format("{} {}", count, count == 1 ? one : many);
}

std::string_view asKey(const ByteString& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// A chain is sent leaf first, each certificate followed by its issuer. A self-signed certificate
// ends a chain and links to nothing, so a trust store of roots has no order to keep, and roots
// after a chain stand alone. Names compare by their DER, as path building does.
BundleOrder checkOrder(const std::vector<CertificateDetails>& certificates) {
    const std::size_t n = certificates.size();
    if (n == 0) return {BundleOrder::Verdict::none, "no certificates", {}};
    if (n == 1) return {BundleOrder::Verdict::none, "1 certificate: no chain order to check", {}};

    std::unordered_map<std::string_view, std::size_t> firstWithSubject;
    for (std::size_t i = 0; i < n; ++i) firstWithSubject.emplace(asKey(certificates[i].subjectDER), i);

    BundleOrder order;
    std::size_t selfSigned = 0;
    std::size_t standingAlone = 0;
    bool allAloneAreRoots = true;
    for (std::size_t i = 0; i < n; ++i) {
        const CertificateDetails& certificate = certificates[i];
        if (certificate.selfIssued()) {
            ++selfSigned;
            const bool endsChain =
                i > 0 && !certificates[i - 1].selfIssued() && certificates[i - 1].issuerDER == certificate.subjectDER;
            if (!endsChain) {
                ++standingAlone;
                allAloneAreRoots = allAloneAreRoots && certificate.isCA;
            }
            continue;
        }
        if (i + 1 < n && certificate.issuerDER == certificates[i + 1].subjectDER) continue;
        const auto issuer = firstWithSubject.find(asKey(certificate.issuerDER));
        if (issuer != firstWithSubject.end() && issuer->second < i) {
            order.breaks.push_back(fmt::format("certificate {}'s issuer ({}) is certificate {}, which comes before it",
                                               i + 1, certificate.issuer, issuer->second + 1));
        } else if (i + 1 < n) {
            order.breaks.push_back(fmt::format("certificate {}'s issuer ({}) is not certificate {}'s subject ({})",
                                               i + 1, certificate.issuer, i + 2, certificates[i + 1].subject));
        }
        // The last certificate's issuer may be absent: servers leave the root out.
    }

    const std::string alone = allAloneAreRoots
                                  ? counted(standingAlone, "self-signed root", "self-signed roots")
                                  : counted(standingAlone, "self-signed certificate", "self-signed certificates");
    if (!order.breaks.empty()) {
        order.verdict = BundleOrder::Verdict::broken;
        order.summary = "out of order: " + counted(order.breaks.size(), "break", "breaks");
    } else if (selfSigned == n) {
        order.verdict = BundleOrder::Verdict::rootsOnly;
        order.summary =
            alone + (allAloneAreRoots ? ": roots stand alone" : ": each stands alone") + ", no chain order to check";
    } else {
        order.verdict = BundleOrder::Verdict::inOrder;
        order.summary = "in order: each certificate is followed by its issuer";
        if (standingAlone > 0) {
            order.summary += fmt::format("; {} {}", alone, standingAlone == 1 ? "stands alone" : "stand alone");
        }
    }
    return order;
}

// The index of the certificate with the least `value`, the first on ties; values absent are
// left out.
template <typename Value>
std::optional<std::size_t> least(const std::vector<CertificateDetails>& certificates, Value value) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < certificates.size(); ++i) {
        const auto candidate = value(certificates[i]);
        if (candidate && (!found || *candidate < *value(certificates[*found]))) found = i;
    }
    return found;
}

WeakestLink weakestLink(const std::vector<CertificateDetails>& certificates) {
    return WeakestLink{
        .earliestExpiry = least(certificates, [](const CertificateDetails& c) { return c.notAfter; }),
        .weakestKey = least(certificates, [](const CertificateDetails& c) { return c.key.strength(); }),
        .weakestSignature = least(certificates, [](const CertificateDetails& c) { return c.signature.strength; }),
    };
}

BundlePrivateKey privateKey(const PEMBlock& block, std::size_t line,
                            const std::vector<CertificateDetails>& certificates,
                            const std::vector<BundleCertificate>& listed) {
    BundlePrivateKey key;
    key.line = line;
    key.label = block.label;
    const auto publicPart = block.der ? CertificateReader::privateKeyPublicPart(block.label, *block.der) : std::nullopt;
    if (publicPart) key.key = publicPart->name();
    if (certificates.empty()) return key;
    const auto leaf = std::find_if(listed.begin(), listed.end(),
                                   [](const BundleCertificate& c) { return c.role == CertificateRole::leaf; });
    const std::size_t compared = leaf == listed.end() ? 0 : static_cast<std::size_t>(leaf - listed.begin());
    key.comparedWith = compared;
    if (!CertificateReader::readsPrivateKey(block.label)) {
        key.match = KeyMatch::notRead;
    } else if (!publicPart) {
        key.match = KeyMatch::noPublicPart;
    } else {
        const PublicKey& own = certificates[compared].key;
        const bool same = own.algorithm == publicPart->algorithm && own.material == publicPart->material;
        key.match = same ? KeyMatch::matches : KeyMatch::differs;
    }
    return key;
}

} // namespace

std::string_view roleName(CertificateRole role) {
    switch (role) {
    case CertificateRole::leaf:
        return "leaf";
    case CertificateRole::intermediate:
        return "intermediate";
    case CertificateRole::root:
        return "root";
    }
    return "leaf";
}

std::string_view keyMatchText(KeyMatch match) {
    switch (match) {
    case KeyMatch::matches:
        return "matches the leaf";
    case KeyMatch::differs:
        return "does not match the leaf";
    case KeyMatch::noPublicPart:
        return "carries no public part";
    case KeyMatch::notRead:
        return "not read (encrypted or another format)";
    case KeyMatch::noCertificate:
        return "no certificate to match";
    }
    return "no certificate to match";
}

CertificateBundle readCertificateBundle(std::string_view text, const RiskContext& context) {
    CertificateBundle bundle;
    std::vector<CertificateDetails> certificates;
    std::vector<std::pair<PEMBlock, std::size_t>> keyBlocks;
    // Lines are counted from one block to the next, so the text is walked once.
    std::size_t line = 1;
    std::size_t countedTo = 0;
    for (PEMBlock& block : CertificateReader::pemBlocks(text)) {
        line += static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(countedTo),
                                                    text.begin() + static_cast<std::ptrdiff_t>(block.offset), '\n'));
        countedTo = block.offset;
        if (block.label.ends_with("PRIVATE KEY")) {
            keyBlocks.emplace_back(std::move(block), line);
            continue;
        }
        if (block.label != "CERTIFICATE") continue;
        auto certificate = block.der ? CertificateReader::read(*block.der) : std::nullopt;
        if (!certificate) {
            bundle.unreadableLines.push_back(line);
            continue;
        }
        std::optional<std::int64_t> daysLeft;
        if (certificate->notAfter) {
            daysLeft = std::chrono::floor<std::chrono::days>(*certificate->notAfter - context.now).count();
        }
        bundle.certificates.push_back(BundleCertificate{
            .line = line,
            .subject = certificate->subject,
            .issuer = certificate->issuer,
            .notAfter = certificate->notAfter,
            .daysLeft = daysLeft,
            .key = certificate->key.name(),
            .signatureAlgorithm = certificate->signature.name,
            .role = roleOf(*certificate),
        });
        certificates.push_back(std::move(*certificate));
    }
    bundle.order = checkOrder(certificates);
    bundle.weakest = weakestLink(certificates);
    for (const auto& [block, keyLine] : keyBlocks) {
        bundle.privateKeys.push_back(privateKey(block, keyLine, certificates, bundle.certificates));
    }
    return bundle;
}

} // namespace orvel
