#include "CertificateReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include <fmt/format.h>

#include "orvel/Unicode.h"
#include "security/DER.h"
#include "security/X509.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {
namespace {

// SEC1 ECPrivateKey's explicit [0] parameters and [1] publicKey; PKCS#8 v2's implicit [1] publicKey.
constexpr std::uint8_t parametersTag = 0xA0;
constexpr std::uint8_t publicKeyTag = 0xA1;
constexpr std::uint8_t implicitPublicKeyTag = 0x81;

constexpr std::string_view rsaEncryption = "1.2.840.113549.1.1.1";
constexpr std::string_view rsassaPSS = "1.2.840.113549.1.1.10";
constexpr std::string_view ecPublicKey = "1.2.840.10045.2.1";
constexpr std::string_view ed25519 = "1.3.101.112";
constexpr std::string_view ed448 = "1.3.101.113";
constexpr std::string_view basicConstraints = "2.5.29.19";

struct NamedOID {
    std::string_view oid;
    std::string_view name;
    int value; ///< signatures: collision resistance in bits; curves: field size; names: unused
};

// OpenSSL's names, so a reason reads as `openssl x509 -text` prints the certificate.
constexpr std::array signatureAlgorithms{
    NamedOID{"1.2.840.113549.1.1.2", "md2WithRSAEncryption", 0},
    NamedOID{"1.2.840.113549.1.1.4", "md5WithRSAEncryption", 0},
    NamedOID{"1.2.840.113549.1.1.5", "sha1WithRSAEncryption", 63},
    NamedOID{"1.3.14.3.2.29", "sha1WithRSA", 63},
    NamedOID{"1.2.840.113549.1.1.14", "sha224WithRSAEncryption", 112},
    NamedOID{"1.2.840.113549.1.1.11", "sha256WithRSAEncryption", 128},
    NamedOID{"1.2.840.113549.1.1.12", "sha384WithRSAEncryption", 192},
    NamedOID{"1.2.840.113549.1.1.13", "sha512WithRSAEncryption", 256},
    NamedOID{"1.2.840.10045.4.1", "ecdsa-with-SHA1", 63},
    NamedOID{"1.2.840.10045.4.3.1", "ecdsa-with-SHA224", 112},
    NamedOID{"1.2.840.10045.4.3.2", "ecdsa-with-SHA256", 128},
    NamedOID{"1.2.840.10045.4.3.3", "ecdsa-with-SHA384", 192},
    NamedOID{"1.2.840.10045.4.3.4", "ecdsa-with-SHA512", 256},
    NamedOID{"1.2.840.10040.4.3", "dsaWithSHA1", 63},
    NamedOID{"2.16.840.1.101.3.4.3.2", "dsa_with_SHA256", 128},
    NamedOID{"1.3.101.112", "ED25519", 128},
    NamedOID{"1.3.101.113", "ED448", 224},
};

constexpr std::array curves{
    NamedOID{"1.2.840.10045.3.1.1", "P-192", 192},
    NamedOID{"1.3.132.0.33", "P-224", 224},
    NamedOID{"1.2.840.10045.3.1.7", "P-256", 256},
    NamedOID{"1.3.132.0.34", "P-384", 384},
    NamedOID{"1.3.132.0.35", "P-521", 521},
    NamedOID{"1.3.132.0.10", "secp256k1", 256},
    NamedOID{"1.3.36.3.3.2.8.1.1.7", "brainpoolP256r1", 256},
    NamedOID{"1.3.36.3.3.2.8.1.1.11", "brainpoolP384r1", 384},
    NamedOID{"1.3.36.3.3.2.8.1.1.13", "brainpoolP512r1", 512},
};

// The short names RFC 4514 and OpenSSL use in distinguished names.
constexpr std::array attributeNames{
    NamedOID{"2.5.4.3", "CN", 0},
    NamedOID{"2.5.4.4", "SN", 0},
    NamedOID{"2.5.4.5", "serialNumber", 0},
    NamedOID{"2.5.4.6", "C", 0},
    NamedOID{"2.5.4.7", "L", 0},
    NamedOID{"2.5.4.8", "ST", 0},
    NamedOID{"2.5.4.9", "STREET", 0},
    NamedOID{"2.5.4.10", "O", 0},
    NamedOID{"2.5.4.11", "OU", 0},
    NamedOID{"2.5.4.12", "title", 0},
    NamedOID{"2.5.4.42", "GN", 0},
    NamedOID{"2.5.4.97", "organizationIdentifier", 0},
    NamedOID{"0.9.2342.19200300.100.1.1", "UID", 0},
    NamedOID{"0.9.2342.19200300.100.1.25", "DC", 0},
    NamedOID{"1.2.840.113549.1.9.1", "emailAddress", 0},
};

const NamedOID* findOID(std::span<const NamedOID> table, std::string_view oid) {
    const auto found = std::find_if(table.begin(), table.end(), [oid](const NamedOID& row) { return row.oid == oid; });
    return found == table.end() ? nullptr : &*found;
}

ByteString slice(const ByteString& bytes, DER::Range range) {
    return ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(range.lower),
                      bytes.begin() + static_cast<std::ptrdiff_t>(range.upper));
}

std::string_view view(const ByteString& bytes, DER::Range range) {
    return {reinterpret_cast<const char*>(bytes.data()) + range.lower, range.upper - range.lower};
}

// The dotted text of an OBJECT IDENTIFIER's contents; an arc too large for 64 bits ends it.
std::string dottedOID(const ByteString& bytes, DER::Range range) {
    std::string out;
    std::uint64_t arc = 0;
    for (std::size_t i = range.lower; i < range.upper; ++i) {
        if (arc > UINT64_MAX >> 7) return out;
        arc = arc << 7 | (bytes[i] & 0x7Fu);
        if (bytes[i] & 0x80u) continue;
        if (out.empty()) {
            // The first subidentifier packs two arcs: 40 × first + second, first at most 2.
            const std::uint64_t first = std::min<std::uint64_t>(arc / 40, 2);
            out = fmt::format("{}.{}", first, arc - first * 40);
        } else {
            out += fmt::format(".{}", arc);
        }
        arc = 0;
    }
    return out;
}

std::string oidOf(const ByteString& bytes, const std::vector<DER::Node>& nodes, std::size_t index) {
    return index < nodes.size() && nodes[index].tag == DER::Tag::objectIdentifier
               ? dottedOID(bytes, nodes[index].content)
               : std::string();
}

// Big-endian code units of `width` bytes (BMPString 2, UniversalString 4) as UTF-8; what is not a
// scalar value becomes U+FFFD.
std::string wideText(const ByteString& bytes, DER::Range range, std::size_t width) {
    std::string out;
    char32_t high = 0;
    for (std::size_t i = range.lower; i + width <= range.upper; i += width) {
        char32_t unit = 0;
        for (std::size_t j = 0; j < width; ++j) unit = unit << 8 | bytes[i + j];
        const bool isHigh = width == 2 && unit >= 0xD800 && unit < 0xDC00;
        const bool isLow = width == 2 && unit >= 0xDC00 && unit < 0xE000;
        if (high != 0 && !isLow) Unicode::appendUTF8(out, U'\uFFFD');
        if (isHigh) {
            high = unit;
            continue;
        }
        if (isLow && high != 0) {
            unit = 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
        } else if ((unit >= 0xD800 && unit < 0xE000) || unit > 0x10FFFF) {
            unit = U'\uFFFD';
        }
        high = 0;
        Unicode::appendUTF8(out, unit);
    }
    if (high != 0) Unicode::appendUTF8(out, U'\uFFFD');
    return out;
}

// An attribute value as text; control characters become "?" so a name stays on one line.
std::string attributeValue(const ByteString& bytes, const DER::Node& value) {
    std::string text;
    switch (value.tag) {
    case 0x0C: // UTF8String
    case 0x12: // NumericString
    case 0x13: // PrintableString
    case 0x16: // IA5String
    case 0x1A: // VisibleString
        text = Unicode::toValidUTF8(view(bytes, value.content));
        break;
    case 0x14: // TeletexString: UTF-8 in practice, otherwise read as Latin-1
        text = std::string(view(bytes, value.content));
        if (!Unicode::isValidUTF8(text)) {
            text.clear();
            for (std::size_t i = value.content.lower; i < value.content.upper; ++i) {
                Unicode::appendUTF8(text, bytes[i]);
            }
        }
        break;
    case 0x1E: // BMPString
        text = wideText(bytes, value.content, 2);
        break;
    case 0x1C: // UniversalString
        text = wideText(bytes, value.content, 4);
        break;
    default:
        text = "#";
        for (std::size_t i = value.content.lower; i < value.content.upper; ++i) text += fmt::format("{:02X}", bytes[i]);
    }
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return text;
}

// The Name as RFC 4514 writes it, most specific first ("CN=R3, O=Let's Encrypt, C=US"), with
// ", " between RDNs for reading; values are not escaped, the DER is what compares.
std::string distinguishedName(const ByteString& bytes, DER::Range name) {
    const auto relativeNames = DER::children(bytes, name);
    std::string out;
    for (auto relative = relativeNames.rbegin(); relative != relativeNames.rend(); ++relative) {
        std::string part;
        for (const DER::Node& attribute : DER::children(bytes, relative->content)) {
            const auto fields = DER::children(bytes, attribute.content);
            const std::string oid = oidOf(bytes, fields, 0);
            if (fields.size() < 2 || oid.empty()) continue;
            const NamedOID* named = findOID(attributeNames, oid);
            if (!part.empty()) part += '+';
            part += fmt::format("{}={}", named ? named->name : oid, attributeValue(bytes, fields[1]));
        }
        if (part.empty()) continue;
        if (!out.empty()) out += ", ";
        out += part;
    }
    return out;
}

PublicKey rsaKey(const ByteString& bytes, DER::Range modulus) {
    PublicKey key;
    key.algorithm = PublicKey::Algorithm::rsa;
    std::size_t first = modulus.lower;
    while (first < modulus.upper && bytes[first] == 0) ++first;
    key.material = slice(bytes, DER::Range{first, modulus.upper});
    if (!key.material.empty()) {
        key.bits = (key.material.size() - 1) * 8 + static_cast<std::size_t>(std::bit_width(key.material.front()));
    }
    return key;
}

// The modulus of the RSAPublicKey or RSAPrivateKey whose SEQUENCE starts at `offset`; the modulus
// is the first INTEGER of the one and the second of the other.
std::optional<PublicKey> rsaKeyAt(const ByteString& bytes, std::size_t offset, std::size_t modulusIndex) {
    const auto sequence = DER::read(bytes, offset);
    if (!sequence || sequence->node.tag != DER::Tag::sequence) return std::nullopt;
    const auto integers = DER::children(bytes, sequence->node.content);
    if (integers.size() <= modulusIndex || integers[modulusIndex].tag != DER::Tag::integer) return std::nullopt;
    return rsaKey(bytes, integers[modulusIndex].content);
}

PublicKey ecKey(std::string curveOID, ByteString point) {
    PublicKey key;
    key.algorithm = PublicKey::Algorithm::ec;
    key.material = std::move(point);
    if (const NamedOID* curve = findOID(curves, curveOID)) {
        key.curve = curve->name;
        key.bits = static_cast<std::size_t>(curve->value);
    } else {
        key.curve = curveOID.empty() ? "?" : std::move(curveOID);
    }
    return key;
}

PublicKey edwardsKey(std::string_view oid, ByteString material) {
    PublicKey key;
    key.algorithm = oid == ed25519 ? PublicKey::Algorithm::ed25519 : PublicKey::Algorithm::ed448;
    key.material = std::move(material);
    return key;
}

// A BIT STRING's bits past its unused-bits octet.
ByteString bitStringBytes(const ByteString& bytes, const DER::Node& bitString) {
    if (bitString.content.lower >= bitString.content.upper) return {};
    return slice(bytes, DER::Range{bitString.content.lower + 1, bitString.content.upper});
}

std::optional<PublicKey> subjectPublicKey(const ByteString& bytes, const DER::Node& info) {
    const auto parts = DER::children(bytes, info.content);
    if (parts.size() < 2 || parts[0].tag != DER::Tag::sequence || parts[1].tag != DER::Tag::bitString)
        return std::nullopt;
    const auto algorithm = DER::children(bytes, parts[0].content);
    const std::string oid = oidOf(bytes, algorithm, 0);
    if (oid == rsaEncryption || oid == rsassaPSS) {
        if (parts[1].content.lower >= parts[1].content.upper) return std::nullopt;
        return rsaKeyAt(bytes, parts[1].content.lower + 1, 0);
    }
    if (oid == ecPublicKey) return ecKey(oidOf(bytes, algorithm, 1), bitStringBytes(bytes, parts[1]));
    if (oid == ed25519 || oid == ed448) return edwardsKey(oid, bitStringBytes(bytes, parts[1]));
    PublicKey key;
    key.algorithmOID = oid.empty() ? "?" : oid;
    return key;
}

SignatureAlgorithm signatureAlgorithm(const ByteString& bytes, const DER::Node& identifier) {
    const std::string oid = oidOf(bytes, DER::children(bytes, identifier.content), 0);
    if (const NamedOID* named = findOID(signatureAlgorithms, oid)) return {std::string(named->name), named->value};
    return {oid.empty() ? "?" : oid, std::nullopt};
}

bool basicConstraintsSayCA(const ByteString& bytes, DER::Range toBeSigned) {
    for (const DER::Node& field : DER::children(bytes, toBeSigned)) {
        if (field.tag != DER::Tag::extensions) continue;
        const auto wrapped = DER::children(bytes, field.content);
        if (wrapped.empty()) return false;
        for (const DER::Node& extension : DER::children(bytes, wrapped.front().content)) {
            const auto parts = DER::children(bytes, extension.content);
            if (oidOf(bytes, parts, 0) != basicConstraints) continue;
            // The value follows the optional critical flag.
            const auto value = std::find_if(parts.begin(), parts.end(),
                                            [](const DER::Node& part) { return part.tag == DER::Tag::octetString; });
            if (value == parts.end()) return false;
            const auto constraints = DER::read(bytes, value->content.lower);
            if (!constraints || constraints->node.tag != DER::Tag::sequence) return false;
            const auto flags = DER::children(bytes, constraints->node.content);
            return !flags.empty() && flags[0].tag == DER::Tag::boolean &&
                   flags[0].content.upper > flags[0].content.lower && bytes[flags[0].content.lower] != 0;
        }
    }
    return false;
}

// SEC1's ECPrivateKey: its own [0] curve wins over `curveOID`, the one PKCS#8 names outside it.
std::optional<PublicKey> ecPrivateKeyPublicPart(const ByteString& bytes, std::size_t offset, std::string curveOID) {
    const auto sequence = DER::read(bytes, offset);
    if (!sequence || sequence->node.tag != DER::Tag::sequence) return std::nullopt;
    std::optional<ByteString> point;
    for (const DER::Node& field : DER::children(bytes, sequence->node.content)) {
        if (field.tag == parametersTag) {
            const std::string own = oidOf(bytes, DER::children(bytes, field.content), 0);
            if (!own.empty()) curveOID = own;
        }
        if (field.tag != publicKeyTag) continue;
        const auto inner = DER::children(bytes, field.content);
        if (!inner.empty() && inner[0].tag == DER::Tag::bitString) point = bitStringBytes(bytes, inner[0]);
    }
    if (!point) return std::nullopt;
    return ecKey(std::move(curveOID), std::move(*point));
}

std::optional<PublicKey> pkcs8PublicPart(const ByteString& bytes) {
    const auto sequence = DER::read(bytes, 0);
    if (!sequence || sequence->node.tag != DER::Tag::sequence) return std::nullopt;
    const auto fields = DER::children(bytes, sequence->node.content);
    if (fields.size() < 3 || fields[1].tag != DER::Tag::sequence || fields[2].tag != DER::Tag::octetString)
        return std::nullopt;
    const auto algorithm = DER::children(bytes, fields[1].content);
    const std::string oid = oidOf(bytes, algorithm, 0);
    const std::size_t inner = fields[2].content.lower;
    if (oid == rsaEncryption || oid == rsassaPSS) return rsaKeyAt(bytes, inner, 1);
    if (oid == ecPublicKey) return ecPrivateKeyPublicPart(bytes, inner, oidOf(bytes, algorithm, 1));
    // Ed25519 and Ed448 carry their public key only in the optional [1] of a version 2 key.
    const auto publicKey = std::find_if(fields.begin() + 3, fields.end(),
                                        [](const DER::Node& field) { return field.tag == implicitPublicKeyTag; });
    if ((oid != ed25519 && oid != ed448) || publicKey == fields.end()) return std::nullopt;
    return edwardsKey(oid, bitStringBytes(bytes, *publicKey));
}

std::optional<PEMBlock> blockIn(std::string_view text, std::size_t offset) {
    const auto match = Patterns::compiled(Patterns::Id::pemArmour).firstMatch(text);
    if (!match || match->groups.size() != 2 || !match->groups[0] || !match->groups[1]) return std::nullopt;
    const TextRange label = *match->groups[0];
    const TextRange body = *match->groups[1];
    // Read as the PEM detector reads it, so a block means here what it means in the chain.
    auto der = Bytes::base64(
        Patterns::compiled(Patterns::Id::whiteSpace).replaceAll(text.substr(body.begin, body.end - body.begin), ""));
    if (der && der->empty()) der.reset();
    return PEMBlock{std::string(Text::trimmedOfSpacesAndTabs(text.substr(label.begin, label.end - label.begin))),
                    std::move(der), offset + match->range.begin};
}

} // namespace

std::string PublicKey::name() const {
    switch (algorithm) {
    case Algorithm::rsa:
        return fmt::format("RSA {}", bits);
    case Algorithm::ec:
        return "EC " + curve;
    case Algorithm::ed25519:
        return "Ed25519";
    case Algorithm::ed448:
        return "Ed448";
    case Algorithm::other:
        break;
    }
    return algorithmOID;
}

std::optional<int> PublicKey::strength() const {
    switch (algorithm) {
    case Algorithm::rsa: {
        // NIST SP 800-57 Part 1, table 2; below 1024 bits a modulus is within reach of factoring.
        constexpr std::array<std::pair<std::size_t, int>, 5> levels{
            {{15360, 256}, {7680, 192}, {3072, 128}, {2048, 112}, {1024, 80}}};
        for (const auto& [minimum, level] : levels) {
            if (bits >= minimum) return level;
        }
        return 0;
    }
    case Algorithm::ec:
        if (bits == 0) return std::nullopt;
        return std::min(static_cast<int>(bits / 2), 256);
    case Algorithm::ed25519:
        return 128;
    case Algorithm::ed448:
        return 224;
    case Algorithm::other:
        break;
    }
    return std::nullopt;
}

namespace CertificateReader {

std::optional<CertificateDetails> read(const ByteString& der) {
    const auto certificate = DER::read(der, 0);
    if (!certificate || certificate->node.tag != DER::Tag::sequence) return std::nullopt;
    const auto parts = DER::children(der, certificate->node.content);
    if (parts.size() < 2 || parts[0].tag != DER::Tag::sequence || parts[1].tag != DER::Tag::sequence)
        return std::nullopt;
    auto facts = X509::parse(der);
    if (!facts) return std::nullopt;

    const DER::Range toBeSigned = parts[0].content;
    const auto fields = DER::children(der, toBeSigned);
    // Without the explicit version the serial number comes first, with it second.
    const std::size_t base = !fields.empty() && fields.front().tag == DER::Tag::explicitVersion ? 3 : 2;
    if (fields.size() <= base + 3) return std::nullopt;
    auto key = subjectPublicKey(der, fields[base + 3]);
    if (!key) return std::nullopt;

    return CertificateDetails{
        .signature = signatureAlgorithm(der, parts[1]),
        .issuer = distinguishedName(der, fields[base].content),
        .subject = distinguishedName(der, fields[base + 2].content),
        .issuerDER = slice(der, fields[base].content),
        .subjectDER = slice(der, fields[base + 2].content),
        .subjectCN = std::move(facts->subjectCN),
        .notBefore = facts->notBefore,
        .notAfter = facts->notAfter,
        .key = std::move(*key),
        .sanDNS = std::move(facts->sanDNS),
        .isCA = basicConstraintsSayCA(der, toBeSigned),
    };
}

bool readsPrivateKey(std::string_view label) {
    return label == "RSA PRIVATE KEY" || label == "EC PRIVATE KEY" || label == "PRIVATE KEY";
}

std::optional<PublicKey> privateKeyPublicPart(std::string_view label, const ByteString& der) {
    if (label == "RSA PRIVATE KEY") return rsaKeyAt(der, 0, 1);
    if (label == "EC PRIVATE KEY") return ecPrivateKeyPublicPart(der, 0, std::string());
    if (label == "PRIVATE KEY") return pkcs8PublicPart(der);
    return std::nullopt;
}

std::optional<PEMBlock> firstPEMBlock(std::string_view text) { return blockIn(text, 0); }

std::vector<PEMBlock> pemBlocks(std::string_view text) {
    std::vector<PEMBlock> blocks;
    for (const TextRange range : Patterns::compiled(Patterns::Id::pemArmour).allMatches(text)) {
        // Each block is matched again on its own stretch for its groups, which keeps the whole linear.
        if (auto block = blockIn(text.substr(range.begin, range.end - range.begin), range.begin)) {
            blocks.push_back(std::move(*block));
        }
    }
    return blocks;
}

} // namespace CertificateReader
} // namespace orvel
