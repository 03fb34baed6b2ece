#include "detectors/CompressedText.h"

#include <fmt/format.h>

#include "text/Text.h"

namespace orvel {

std::optional<DecodeResult> decodeCompressedText(std::string_view text, const CompressedContainer& container) {
    // Bytes::fromWrapper would stop at the first wrapper that decodes, and hex whose length is a
    // multiple of 4 always decodes as base64 first; so each reading is offered to the container.
    for (const Bytes::Unwrapped& reading : Bytes::wrappedCandidates(text, container.opens)) {
        const auto content = container.open(reading.data);
        if (!content) continue;
        // Binary content (an image, a property list) is some other tool's business.
        auto decompressed = Bytes::utf8Text(*content);
        if (!decompressed || !Text::looksLikePrintableText(*decompressed)) return std::nullopt;

        const std::string count = std::to_string(content->size());
        return DecodeResult{
            .kind = container.kind,
            .output = std::move(*decompressed),
            .confidence = container.confidence,
            .summary = fmt::format("{} ({}) → {} bytes", container.name, reading.wrapper, count),
            .details = {{"wrapper", reading.wrapper}, {"bytes", count}},
            .terminal = false,
        };
    }
    return std::nullopt;
}

} // namespace orvel
