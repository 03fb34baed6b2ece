#include "orvel/CertificateBundle.h"

#include <fmt/format.h>

namespace orvel {

bool isBundle(const CertificateBundle& bundle) {
    return bundle.certificates.size() >= 2 || (!bundle.certificates.empty() && !bundle.privateKeys.empty());
}

std::vector<Risk> bundleRisks(const CertificateBundle& bundle) {
    std::vector<Risk> risks;
    // A server sends its chain leaf first, each certificate followed by its issuer; clients that
    // do not reorder (and many do not) fail on a break.
    for (const std::string& fault : bundle.order.breaks) {
        risks.push_back({"bundle.out-of-order", RiskSeverity::medium, fault,
                         "RFC 8446 §4.4.2 (each certificate certifies the one before it)"});
    }
    for (const BundlePrivateKey& key : bundle.privateKeys) {
        if (key.match != KeyMatch::differs || !key.comparedWith) continue;
        risks.push_back({"bundle.key-mismatch", RiskSeverity::medium,
                         fmt::format("the private key on line {} does not match certificate {} (line {})", key.line,
                                     *key.comparedWith + 1, bundle.certificates[*key.comparedWith].line),
                         "RFC 5280 §4.1.2.7 (the certificate names its subject's public key)"});
    }
    return risks;
}

} // namespace orvel
