#include "engine/ShapeTable.h"

#include <array>
#include <map>

namespace orvel {
namespace {

constexpr std::uint64_t kNoFirstByte = std::uint64_t{1} << 63;
constexpr std::size_t kClassBits = 63;

// The sets a class may not straddle: each alphabet and first-byte set, and each byte that must
// occur on its own.
std::vector<ByteSet> distinctions(const std::vector<std::vector<TextShape>>& declared) {
    std::vector<ByteSet> sets;
    for (const auto& shapes : declared) {
        for (const TextShape& shape : shapes) {
            sets.push_back(shape.alphabet);
            sets.push_back(shape.firstBytes);
            for (int byte = 0; byte < 256; ++byte) {
                const auto value = static_cast<char>(byte);
                if (shape.mustContain.contains(static_cast<std::uint8_t>(byte)))
                    sets.push_back(ByteSet(std::string_view(&value, 1)));
            }
        }
    }
    return sets;
}

} // namespace

ShapeTable::ShapeTable(const DetectorList& detectors) : m_firstShape(detectors.size() + 1, 0) {
    std::vector<std::vector<TextShape>> declared;
    declared.reserve(detectors.size());
    for (const auto& detector : detectors) declared.push_back(detector->acceptedShapes());
    const std::vector<ByteSet> sets = distinctions(declared);

    // Bytes belonging to the same sets share a class.
    std::map<std::vector<bool>, std::size_t> classes;
    for (int byte = 0; byte < 256; ++byte) {
        std::vector<bool> membership;
        membership.reserve(sets.size());
        for (const ByteSet& set : sets) membership.push_back(set.contains(static_cast<std::uint8_t>(byte)));
        const std::size_t index = classes.try_emplace(std::move(membership), classes.size()).first->second;
        // More classes than a mask holds: no detector is ruled out.
        if (index >= kClassBits) return;
        m_classOf[static_cast<std::size_t>(byte)] = std::uint64_t{1} << index;
    }

    const auto maskOf = [&](const ByteSet& set) {
        std::uint64_t mask = 0;
        for (int byte = 0; byte < 256; ++byte) {
            if (set.contains(static_cast<std::uint8_t>(byte))) mask |= m_classOf[static_cast<std::size_t>(byte)];
        }
        return mask;
    };
    for (std::size_t index = 0; index < detectors.size(); ++index) {
        for (const TextShape& shape : declared[index]) {
            const std::uint64_t firstBytes = maskOf(shape.firstBytes) | (shape.firstBytes.isAll() ? kNoFirstByte : 0);
            m_shapes.push_back({maskOf(shape.alphabet), maskOf(shape.mustContain), firstBytes});
        }
        m_firstShape[index + 1] = m_shapes.size();
    }
}

ShapeTable::Profile ShapeTable::profileOf(std::string_view trimmed) const {
    const auto classOf = [&](std::size_t i) { return m_classOf[static_cast<unsigned char>(trimmed[i])]; };
    // Four bytes a round into four masks, which the processor fills side by side.
    std::array<std::uint64_t, 4> masks{};
    std::size_t i = 0;
    for (; i + masks.size() <= trimmed.size(); i += masks.size()) {
        for (std::size_t lane = 0; lane < masks.size(); ++lane) masks[lane] |= classOf(i + lane);
    }
    for (; i < trimmed.size(); ++i) masks[0] |= classOf(i);
    return {masks[0] | masks[1] | masks[2] | masks[3], trimmed.empty() ? kNoFirstByte : classOf(0)};
}

} // namespace orvel
