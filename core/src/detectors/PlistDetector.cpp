#include "detectors/PlistDetector.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <plist/plist.h>

#include "detectors/MarkupShape.h"
#include "orvel/Limits.h"
#include "orvel/Unicode.h"
#include "text/Bytes.h"
#include "text/Text.h"

namespace orvel {
namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct XMLBufferDeleter {
    void operator()(char* text) const { plist_to_xml_free(text); }
};

/// Can libplist read the XML text without running out of stack or time? Its reader builds a
/// tree as deep as the elements nest (one more level and element for <plist>), and its writer
/// and destructor recurse through it; the pass reads the tags by libplist's own rules.
bool withinReaderBounds(std::string_view text) {
    const auto shape =
        MarkupShape::of(text, MarkupReader::libplist, static_cast<std::size_t>(Limits::maxPlistDepth) + 1);
    return shape && shape->elements <= Limits::maxPlistNodes + 1;
}

/// The object graph of a binary property list, read only as far as needed to bound what
/// libplist would build: nesting depth and node count once shared objects are expanded.
class BinaryPlistShape {
public:
    explicit BinaryPlistShape(const ByteString& bytes) : m_bytes(bytes) {}

    /// False for a graph nested deeper than Limits::maxPlistDepth, with more than
    /// Limits::maxPlistNodes nodes after expansion, with a cycle, or that cannot be read.
    bool withinLimits() {
        constexpr std::size_t headerSize = 8;
        constexpr std::size_t trailerSize = 32;
        if (m_bytes.size() < headerSize + trailerSize) return false;
        const std::size_t trailer = m_bytes.size() - trailerSize;
        m_offsetSize = m_bytes[trailer + 6];
        m_refSize = m_bytes[trailer + 7];
        const std::uint64_t objects = bigEndian(trailer + 8, 8);
        const std::uint64_t top = bigEndian(trailer + 16, 8);
        m_offsetTable = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8) return false;
        if (objects == 0 || top >= objects || m_offsetTable < headerSize || m_offsetTable > trailer) return false;
        if (objects > (trailer - m_offsetTable) / m_offsetSize) return false;
        m_objects = static_cast<std::size_t>(objects);
        return expandedSize(static_cast<std::size_t>(top)).has_value();
    }

private:
    struct Frame {
        std::size_t object;
        std::vector<std::size_t> children;
        std::size_t next = 0;
        std::size_t nodes = 1;
    };

    std::uint64_t bigEndian(std::size_t offset, std::size_t size) const {
        std::uint64_t value = 0;
        for (std::size_t k = 0; k < size; ++k) value = value << 8 | m_bytes[offset + k];
        return value;
    }

    /// The objects `object` refers to (keys and values of a dictionary), or nothing when its
    /// header or references fall outside the object area.
    std::optional<std::vector<std::size_t>> children(std::size_t object) const {
        const std::uint64_t offset = bigEndian(m_offsetTable + object * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_offsetTable) return std::nullopt;
        auto position = static_cast<std::size_t>(offset);
        const std::uint8_t marker = m_bytes[position++];
        const int type = marker >> 4;
        const bool dictionary = type == 0xD;
        if (type != 0xA && type != 0xC && !dictionary) return std::vector<std::size_t>{};
        std::uint64_t count = marker & 0x0F;
        if (count == 0x0F) {
            // The count follows as an integer object of 1, 2, 4 or 8 bytes.
            if (position >= m_offsetTable || (m_bytes[position] & 0xF0) != 0x10) return std::nullopt;
            const std::size_t size = std::size_t{1} << (m_bytes[position] & 0x0F);
            ++position;
            if (size > 8 || size > m_offsetTable - position) return std::nullopt;
            count = bigEndian(position, size);
            position += size;
        }
        const std::uint64_t references = dictionary ? count * 2 : count;
        if (count > m_offsetTable || references > (m_offsetTable - position) / m_refSize) return std::nullopt;
        std::vector<std::size_t> result;
        result.reserve(static_cast<std::size_t>(references));
        for (std::uint64_t k = 0; k < references; ++k) {
            const std::uint64_t child = bigEndian(position + static_cast<std::size_t>(k) * m_refSize, m_refSize);
            if (child >= m_objects) return std::nullopt;
            result.push_back(static_cast<std::size_t>(child));
        }
        return result;
    }

    /// Nodes under `top` once every reference is expanded: a depth-first walk on an explicit
    /// stack with each object's size remembered, so shared objects are measured once.
    std::optional<std::size_t> expandedSize(std::size_t top) {
        constexpr std::size_t unknown = 0;
        std::vector<std::size_t> sizes(m_objects, unknown);
        std::vector<bool> onPath(m_objects, false);
        std::vector<Frame> path;
        const auto enter = [&](std::size_t object) {
            auto references = children(object);
            if (!references || path.size() >= static_cast<std::size_t>(Limits::maxPlistDepth)) return false;
            onPath[object] = true;
            path.push_back(Frame{object, std::move(*references)});
            return true;
        };
        if (!enter(top)) return std::nullopt;
        while (true) {
            Frame& frame = path.back();
            if (frame.next < frame.children.size()) {
                const std::size_t child = frame.children[frame.next++];
                if (onPath[child]) return std::nullopt; // a cycle
                if (sizes[child] != unknown) {
                    frame.nodes += sizes[child];
                } else if (!enter(child)) {
                    return std::nullopt;
                }
                continue;
            }
            if (frame.nodes > Limits::maxPlistNodes) return std::nullopt;
            const std::size_t nodes = frame.nodes;
            sizes[frame.object] = nodes;
            onPath[frame.object] = false;
            path.pop_back();
            if (path.empty()) return nodes;
            path.back().nodes += nodes;
        }
    }

    const ByteString& m_bytes;
    std::size_t m_offsetSize = 0;
    std::size_t m_refSize = 0;
    std::size_t m_offsetTable = 0;
    std::size_t m_objects = 0;
};

std::string rootType(plist_t root) {
    switch (plist_get_node_type(root)) {
    case PLIST_ARRAY:
        return "array";
    case PLIST_DICT:
        return "dict";
    case PLIST_STRING:
        return "string";
    case PLIST_DATA:
        return "data";
    case PLIST_DATE:
        return "date";
    default:
        return "value";
    }
}

/// The result for a parsed property list: its XML rendering and root type.
std::optional<DecodeResult> describe(PlistPtr value, const std::string& format,
                                     const std::optional<std::string>& wrapper) {
    if (!value) return std::nullopt;
    char* written = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(value.get()), &written, &length);
    const std::unique_ptr<char, XMLBufferDeleter> xml(written);
    if (!xml || length == 0) return std::nullopt;
    std::string output(xml.get(), length);
    if (!Unicode::isValidUTF8(output)) return std::nullopt;

    const std::string root = rootType(static_cast<plist_t>(value.get()));
    Details details{{"format", format}, {"root", root}};
    std::string summary = format + " property list";
    if (wrapper) {
        details.emplace("wrapper", *wrapper);
        summary += " (" + *wrapper + ")";
    }
    summary += " — root " + root;
    return DecodeResult{
        .kind = DetectionKind::plist,
        .output = std::move(output),
        .confidence = PlistDetector::kConfidence,
        .summary = std::move(summary),
        .details = std::move(details),
        .terminal = true,
    };
}

bool opensAsBinaryPlist(std::span<const std::uint8_t> head) {
    return head.size() >= 6 && std::memcmp(head.data(), "bplist", 6) == 0;
}

} // namespace

std::optional<DecodeResult> PlistDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view trimmed = Text::trimmed(text);
    if (trimmed.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;

    if (trimmed.find("<plist") != std::string_view::npos || trimmed.find("<!DOCTYPE plist") != std::string_view::npos) {
        if (!withinReaderBounds(trimmed)) return std::nullopt;
        plist_t root = nullptr;
        plist_from_xml(trimmed.data(), static_cast<std::uint32_t>(trimmed.size()), &root);
        return describe(PlistPtr(root), "xml", std::nullopt);
    }

    // The first wrapper under which the bytes are a binary property list wins: hex text made of
    // digits alone is often valid base64 too, and only one reading is the property list.
    for (const Bytes::Unwrapped& candidate : Bytes::wrappedCandidates(trimmed, opensAsBinaryPlist)) {
        const ByteString& bytes = candidate.data;
        if (!opensAsBinaryPlist(bytes)) continue;
        if (!BinaryPlistShape(bytes).withinLimits()) continue;
        plist_t root = nullptr;
        plist_from_bin(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
        if (auto result = describe(PlistPtr(root), "binary", candidate.wrapper)) return result;
    }
    return std::nullopt;
}

std::vector<TextShape> PlistDetector::acceptedShapes() const {
    std::vector<TextShape> shapes = Bytes::wrapperShapes([](std::uint8_t first) { return first == 'b'; });
    shapes.push_back({.mustContain = ByteSet("<plist")});
    return shapes;
}

} // namespace orvel
