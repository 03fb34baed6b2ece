#pragma once

// Hand-built DER for tests and benchmarks: minimal lengths unless a test asks otherwise.
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "text/Bytes.h"

namespace orvel::testing {

/// The identifier and length octets of an element with `length` content bytes.
inline ByteString derHeader(std::uint8_t tag, std::size_t length) {
    if (length < 0x80) return {tag, static_cast<std::uint8_t>(length)};
    ByteString out{tag, 0x80};
    for (std::size_t rest = length; rest > 0; rest >>= 8, ++out[1]) {
        out.insert(out.begin() + 2, static_cast<std::uint8_t>(rest));
    }
    return out;
}

inline ByteString der(std::uint8_t tag, const ByteString& content) {
    ByteString out = derHeader(tag, content.size());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

/// `depth` SEQUENCEs, each the only content of the one around it; built back to front in
/// linear time, since wrapping one level at a time would copy quadratically.
inline ByteString nestedSequences(int depth) {
    ByteString reversed;
    for (int level = 0; level < depth; ++level) {
        const ByteString header = derHeader(0x30, reversed.size());
        reversed.insert(reversed.end(), header.rbegin(), header.rend());
    }
    return ByteString(reversed.rbegin(), reversed.rend());
}

inline ByteString der(std::uint8_t tag, std::string_view text) {
    return der(tag, ByteString(text.begin(), text.end()));
}

inline ByteString concat(std::initializer_list<ByteString> parts) {
    ByteString out;
    for (const ByteString& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline ByteString sequence(std::initializer_list<ByteString> parts) { return der(0x30, concat(parts)); }

/// One attribute (OID content bytes, value) inside its own relative distinguished name.
inline ByteString rdn(const ByteString& oid, const ByteString& value) {
    return der(0x31, sequence({der(0x06, oid), value}));
}

inline ByteString commonNameRDN(std::string_view cn) { return rdn({0x55, 0x04, 0x03}, der(0x0C, cn)); }
inline ByteString organisationRDN(std::string_view o) { return rdn({0x55, 0x04, 0x0A}, der(0x0C, o)); }

inline ByteString utcTime(std::string_view text) { return der(0x17, text); }
inline ByteString generalizedTime(std::string_view text) { return der(0x18, text); }

/// A subjectAltName extension whose GeneralNames hold `names` (already tagged), critical when asked.
inline ByteString subjectAltNameExtension(std::initializer_list<ByteString> names, bool critical = false) {
    const ByteString oid = der(0x06, ByteString{0x55, 0x1D, 0x11});
    const ByteString value = der(0x04, sequence(names));
    return critical ? sequence({oid, der(0x01, ByteString{0xFF}), value}) : sequence({oid, value});
}

inline ByteString dnsName(std::string_view name) { return der(0x82, name); }

/// A certificate around the to-be-signed `fields`, with a dummy algorithm and signature.
inline ByteString certificate(std::initializer_list<ByteString> fields) {
    const ByteString algorithm = sequence({der(0x06, ByteString{0x2A, 0x86, 0x48})});
    return sequence({sequence(fields), algorithm, der(0x03, ByteString{0x00})});
}

/// The to-be-signed fields of a version-3 certificate up to the subject, then `tail`.
inline ByteString v3Certificate(const ByteString& issuer, const ByteString& validity, const ByteString& subject,
                                const ByteString& tail = {}) {
    return certificate({der(0xA0, der(0x02, ByteString{0x02})), der(0x02, ByteString{0x01}),
                        sequence({der(0x06, ByteString{0x2A})}), issuer, validity, subject, sequence({}), tail});
}

} // namespace orvel::testing
