#include "detectors/GzipDetector.h"

#include "detectors/CompressedText.h"
#include "text/Deflate.h"

namespace orvel {
namespace {

std::optional<ByteString> openGzip(const ByteString& data) {
    const auto member = Deflate::stripGzip(data);
    if (!member) return std::nullopt;
    // ISIZE 0 says nothing (an empty member, or a multiple of 4 GiB): inflate without a hint.
    return Deflate::inflate(member->body,
                            member->isize >= 1 ? std::optional<std::uint64_t>(member->isize) : std::nullopt);
}

} // namespace

std::optional<DecodeResult> GzipDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    return decodeCompressedText(
        text, {DetectionKind::gzip, GzipDetector::kConfidence, "gzip", Deflate::opensAsGzip, openGzip});
}

std::vector<TextShape> GzipDetector::acceptedShapes() const {
    return Bytes::wrapperShapes([](std::uint8_t first) { return first == 0x1F; });
}

} // namespace orvel
