#include "detectors/ZlibDetector.h"

#include "detectors/CompressedText.h"
#include "text/Deflate.h"

namespace orvel {
namespace {

std::optional<ByteString> openZlib(const ByteString& data) {
    const auto body = Deflate::stripZlib(data);
    if (!body) return std::nullopt;
    // zlib carries no size field: start from the smallest buffer.
    return Deflate::inflate(*body, std::nullopt);
}

} // namespace

std::optional<DecodeResult> ZlibDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    return decodeCompressedText(
        text, {DetectionKind::zlib, ZlibDetector::kConfidence, "zlib", Deflate::opensAsZlib, openZlib});
}

std::vector<TextShape> ZlibDetector::acceptedShapes() const {
    // The compression method, deflate, is the low half of the first byte.
    return Bytes::wrapperShapes([](std::uint8_t first) { return (first & 0x0F) == 8; });
}

} // namespace orvel
