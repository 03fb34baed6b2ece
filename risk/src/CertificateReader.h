#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Bytes.h"

// What the risk layer reads from a certificate or key beyond what the decode chain carries. It
// walks the DER with core's forgiving reader, so damaged input reads as absent, never as a crash.
namespace orvel {

/// A public key: a certificate's, or the public part a private key carries.
struct PublicKey {
    enum class Algorithm { rsa, ec, ed25519, ed448, other };
    Algorithm algorithm = Algorithm::other;
    std::size_t bits = 0;     ///< RSA modulus or EC field size; 0 when unknown
    std::string curve;        ///< EC only: "P-256", "secp256k1"… or the curve's dotted OID
    ByteString material;      ///< RSA modulus without leading zeros; EC point; Ed25519/Ed448 key
    std::string algorithmOID; ///< the dotted OID when the algorithm is none of the named ones

    /// "RSA 2048", "EC P-256", "Ed25519", or the algorithm's OID.
    std::string name() const;
    /// Security strength in bits (NIST SP 800-57), what makes keys of different kinds comparable;
    /// 0 for RSA under 1024 bits, absent when the algorithm or curve is unknown.
    std::optional<int> strength() const;
};

/// A signature algorithm's name and the collision resistance of its digest.
struct SignatureAlgorithm {
    std::string name; ///< OpenSSL's name ("sha1WithRSAEncryption") or the dotted OID
    /// Bits of collision resistance (0 for MD2 and MD5, 63 for SHA-1); absent when unknown.
    std::optional<int> strength;

    /// MD2, MD5 or SHA-1: collisions are practical, so a signature can be transplanted.
    bool weak() const { return strength && *strength < 112; }
};

/// The fields of a certificate the risk layer judges.
struct CertificateDetails {
    SignatureAlgorithm signature;
    std::string issuer;   ///< distinguished name, last RDN first: "CN=R3, O=Let's Encrypt, C=US"
    std::string subject;  ///< likewise
    ByteString issuerDER; ///< the encoded Name, for exact comparison
    ByteString subjectDER;
    std::optional<std::string> subjectCN;
    std::optional<std::chrono::sys_seconds> notBefore;
    std::optional<std::chrono::sys_seconds> notAfter;
    PublicKey key;
    std::vector<std::string> sanDNS;
    bool isCA = false; ///< basicConstraints says CA:TRUE

    /// Issuer and subject are the same name.
    bool selfIssued() const { return issuerDER == subjectDER; }
};

/// One armoured block of a text.
struct PEMBlock {
    std::string label;             ///< "CERTIFICATE", "RSA PRIVATE KEY"…
    std::optional<ByteString> der; ///< absent when the body is not base64
    std::size_t offset = 0;        ///< where "-----BEGIN" starts in the text
};

} // namespace orvel

namespace orvel::CertificateReader {

/// The details of the DER certificate `der`; absent when its structure cannot be followed as far
/// as the subject public key.
std::optional<CertificateDetails> read(const ByteString& der);

/// Is a block labelled `label` a private key privateKeyPublicPart reads: "RSA PRIVATE KEY"
/// (PKCS#1), "EC PRIVATE KEY" (SEC1) or "PRIVATE KEY" (unencrypted PKCS#8)?
bool readsPrivateKey(std::string_view label);

/// The public part of a private key in a block labelled `label`; absent when it carries none or
/// is unreadable.
std::optional<PublicKey> privateKeyPublicPart(std::string_view label, const ByteString& der);

/// The first armoured block of `text`, as the PEM detector finds it.
std::optional<PEMBlock> firstPEMBlock(std::string_view text);

/// Every armoured block of `text`, in order; linear in the length of `text`.
std::vector<PEMBlock> pemBlocks(std::string_view text);

} // namespace orvel::CertificateReader
