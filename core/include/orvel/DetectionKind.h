#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace orvel {

/// The kinds of artifact the engine recognises; the raw value is the external spelling everywhere.
enum class DetectionKind {
    base64,
    base64url,
    base32,
    base58,
    url,
    json,
    jwt,
    unixTimestamp,
    uuid,
    hex,
    gzip,
    zlib,
    pem,
    queryString,
    htmlEntities,
    unicodeEscape,
    plist,
    hash,
    xml,
    yaml,
};

/// Every kind, in declaration order.
const std::array<DetectionKind, 20>& allDetectionKinds();

/// The raw value of a kind: its case name ("unixTimestamp").
std::string_view rawValue(DetectionKind kind);

/// The kind whose raw value is exactly `raw` (case-sensitive), if any.
std::optional<DetectionKind> kindFromRawValue(std::string_view raw);

} // namespace orvel
