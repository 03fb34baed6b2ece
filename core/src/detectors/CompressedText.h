#pragma once

#include <optional>
#include <string_view>

#include "orvel/DecodeResult.h"
#include "text/Bytes.h"

namespace orvel {

/// One compressed container format as the gzip and zlib detectors see it.
struct CompressedContainer {
    DetectionKind kind;
    double confidence;
    std::string_view name; ///< opens the summary: "gzip", "zlib"
    /// Whether bytes beginning so can be this container at all; spares decoding the others.
    Bytes::OpeningTest opens;
    /// The inflated content of a whole container, or nothing when the bytes are not one.
    std::optional<ByteString> (*open)(const ByteString& data);
};

/// The step for a container carried in a base64, base64url or hex wrapper: the first wrapper
/// under which the container opens is the one reported, and its content must be readable text.
std::optional<DecodeResult> decodeCompressedText(std::string_view text, const CompressedContainer& container);

} // namespace orvel
