#pragma once

#include "orvel/Risk.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

/// Where a certificate stands in a chain.
enum class CertificateRole {
    leaf,         ///< not a CA: what a server or client presents
    intermediate, ///< a CA whose issuer is another name
    root,         ///< a self-signed CA: a trust anchor
};

/// "leaf", "intermediate" or "root".
std::string_view roleName(CertificateRole role);

/// One certificate of a bundle, in the words a listing shows.
struct BundleCertificate {
    std::size_t line = 0; ///< 1-based line of its "-----BEGIN CERTIFICATE-----"
    std::string subject;  ///< distinguished name, most specific first: "CN=R3, O=Let's Encrypt, C=US"
    std::string issuer;   ///< likewise
    std::optional<std::chrono::sys_seconds> notAfter; ///< absent when unreadable
    /// Whole days from the context's now to notAfter, rounded down: negative once expired.
    std::optional<std::int64_t> daysLeft;
    std::string key;                ///< "RSA 2048", "EC P-256", "Ed25519", or the key algorithm's OID
    std::string signatureAlgorithm; ///< "sha256WithRSAEncryption", "ecdsa-with-SHA384"… or the dotted OID
    CertificateRole role = CertificateRole::leaf;
};

/// Whether the certificates follow one another as a chain is sent: each one's issuer next.
struct BundleOrder {
    enum class Verdict {
        none,      ///< fewer than two certificates
        inOrder,   ///< each certificate not self-signed is followed by its issuer (the last may lack it)
        rootsOnly, ///< every certificate is self-signed: a trust store, nothing to order
        broken,    ///< at least one break
    };
    Verdict verdict = Verdict::none;
    /// One line for the whole: "in order: each certificate is followed by its issuer",
    /// "in order: each certificate is followed by its issuer; 3 self-signed roots stand alone",
    /// "140 self-signed roots: roots stand alone, no chain order to check" (or "2 self-signed
    /// certificates: each stands alone, …" when some are not CAs),
    /// "out of order: 2 breaks", "1 certificate: no chain order to check", "no certificates".
    std::string summary;
    /// One line per break, in file order: "certificate 2's issuer (CN=X) is not certificate 3's
    /// subject (CN=Y)", or, when the issuer was already listed, "certificate 3's issuer (CN=X) is
    /// certificate 1, which comes before it".
    std::vector<std::string> breaks;
};

/// The weakest certificate on each count; each is an index into CertificateBundle::certificates,
/// absent when no certificate could be judged on that count. Ties go to the earlier certificate.
struct WeakestLink {
    std::optional<std::size_t> earliestExpiry;
    std::optional<std::size_t> weakestKey;       ///< by security strength (NIST SP 800-57)
    std::optional<std::size_t> weakestSignature; ///< by the digest's collision resistance
};

/// Whether a private key in the text belongs to the leaf.
enum class KeyMatch {
    matches,      ///< its public part is the leaf's public key
    differs,      ///< its public part is another key
    noPublicPart, ///< it carries no public part (or its contents are damaged)
    notRead,      ///< encrypted, or a format not read here (OpenSSH, DSA…)
    noCertificate ///< the text holds no readable certificate to compare with
};

/// "matches the leaf", "does not match the leaf", "carries no public part", "not read (encrypted
/// or another format)" or "no certificate to match".
std::string_view keyMatchText(KeyMatch match);

/// A private key block found beside the certificates.
struct BundlePrivateKey {
    std::size_t line = 0; ///< 1-based line of its "-----BEGIN … PRIVATE KEY-----"
    std::string label;    ///< "PRIVATE KEY", "RSA PRIVATE KEY", "EC PRIVATE KEY", "ENCRYPTED PRIVATE KEY"
    std::string key;      ///< its public part's name ("RSA 2048"), empty when it carries none
    KeyMatch match = KeyMatch::noCertificate;
    /// The certificate it was compared with: the first leaf, or the first certificate when
    /// there is no leaf.
    std::optional<std::size_t> comparedWith;
};

/// What a text of PEM certificates (a server chain, a CA bundle, a log with a few) amounts to.
struct CertificateBundle {
    std::vector<BundleCertificate> certificates; ///< in file order
    /// Lines of "CERTIFICATE" blocks whose contents could not be read as a certificate.
    std::vector<std::size_t> unreadableLines;
    BundleOrder order;
    WeakestLink weakest;
    std::vector<BundlePrivateKey> privateKeys; ///< in file order
};

/// Every certificate and private key block of `text`, in file order, with the chain order, the
/// weakest link and the keys' match against the leaf; days are counted from `context.now`.
/// `text` is valid UTF-8, as every front end makes it. Linear in the size of the text.
CertificateBundle readCertificateBundle(std::string_view text, const RiskContext& context);

/// Whether `bundle` is worth a view of its own: two certificates, or a certificate and a key.
bool isBundle(const CertificateBundle& bundle);

/// What is wrong with the bundle as a whole, beyond its certificates' own risks: each break in
/// the chain order, and each private key that does not match the leaf.
std::vector<Risk> bundleRisks(const CertificateBundle& bundle);

} // namespace orvel
