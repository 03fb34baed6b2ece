#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "text/Bytes.h"

namespace orvel {

/// The five facts read from a certificate; each is absent (or empty) when it could not be read.
struct CertificateFacts {
    std::optional<std::string> subjectCN;
    std::optional<std::string> issuerCN;
    std::optional<std::chrono::sys_seconds> notBefore;
    std::optional<std::chrono::sys_seconds> notAfter;
    std::vector<std::string> sanDNS; ///< DNS names of the first subject-alternative-name extension

    friend bool operator==(const CertificateFacts&, const CertificateFacts&) = default;
};

} // namespace orvel

// Reads, never validates: no signature, chain, version, algorithm or critical flag is looked at.
namespace orvel::X509 {

/// The facts of the DER certificate `der`; absent when it is not a SEQUENCE whose first child is
/// a SEQUENCE with issuer, validity and subject positions.
std::optional<CertificateFacts> parse(const ByteString& der);

} // namespace orvel::X509
