#include "security/DER.h"

#include "orvel/Limits.h"

namespace orvel::DER {

std::optional<Element> read(const ByteString& bytes, std::size_t offset) {
    const std::size_t n = bytes.size();
    // offset < n first, so offset + 1 cannot wrap.
    if (offset >= n || offset + 1 >= n) return std::nullopt;
    const std::uint8_t tag = bytes[offset];
    const std::uint8_t first = bytes[offset + 1];
    std::size_t contentStart = offset + 2;
    std::size_t length = first;
    if (first >= 0x80) {
        // Four octets at most keep the length below 2^32, so content start plus length never wraps.
        const std::size_t octets = first & 0x7Fu;
        if (octets == 0 || octets > 4) return std::nullopt;
        if (contentStart + octets > n) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < octets; ++i) length = length << 8 | bytes[contentStart + i];
        contentStart += octets;
    }
    const std::size_t end = contentStart + length;
    if (end > n) return std::nullopt;
    return Element{Node{tag, Range{contentStart, end}}, end};
}

std::vector<Node> children(const ByteString& bytes, Range range) {
    std::vector<Node> nodes;
    std::size_t offset = range.lower;
    while (offset < range.upper && nodes.size() < Limits::maxDERChildren) {
        const auto element = read(bytes, offset);
        if (!element) break;
        nodes.push_back(element->node);
        offset = element->end;
    }
    return nodes;
}

} // namespace orvel::DER
