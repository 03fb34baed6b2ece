#include "engine/ShapeTable.h"

#include <algorithm>
#include <array>
#include <bit>

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

ShapeTable::ShapeTable(const DetectorList& detectors) {
    std::vector<std::vector<TextShape>> declared;
    declared.reserve(detectors.size());
    for (const auto& detector : detectors) declared.push_back(detector->acceptedShapes());
    const std::vector<ByteSet> sets = distinctions(declared);

    // Bytes belonging to the same sets share a class: each set splits every class so far into
    // its members and the rest.
    std::array<std::size_t, 256> classOf{};
    std::size_t classes = 1;
    for (const ByteSet& set : sets) {
        constexpr std::size_t kUnnumbered = 256;
        std::array<std::array<std::size_t, 2>, 256> renumbered;
        for (auto& halves : renumbered) halves = {kUnnumbered, kUnnumbered};
        std::size_t next = 0;
        for (std::size_t byte = 0; byte < 256; ++byte) {
            std::size_t& number = renumbered[classOf[byte]][set.contains(static_cast<std::uint8_t>(byte)) ? 1 : 0];
            if (number == kUnnumbered) number = next++;
            classOf[byte] = number;
        }
        classes = next;
    }
    // More classes than a mask holds: no detector is ruled out.
    if (classes > kClassBits) return;
    for (std::size_t byte = 0; byte < 256; ++byte) m_classOf[byte] = std::uint64_t{1} << classOf[byte];

    const auto maskOf = [&](const ByteSet& set) {
        std::uint64_t mask = 0;
        for (int byte = 0; byte < 256; ++byte) {
            if (set.contains(static_cast<std::uint8_t>(byte))) mask |= m_classOf[static_cast<std::size_t>(byte)];
        }
        return mask;
    };
    // A detector past the 64th has no bit, and is always asked.
    m_unshaped = 0;
    for (std::size_t index = 0; index < std::min<std::size_t>(detectors.size(), 64); ++index) {
        if (declared[index].empty()) m_unshaped |= std::uint64_t{1} << index;
        for (const TextShape& shape : declared[index]) {
            const std::uint64_t firstBytes = maskOf(shape.firstBytes) | (shape.firstBytes.isAll() ? kNoFirstByte : 0);
            const CompiledShape compiled{index, maskOf(shape.alphabet), maskOf(shape.mustContain)};
            for (int first = 0; first < 64; ++first) {
                if (((firstBytes >> first) & 1) != 0)
                    m_shapesByFirst[static_cast<std::size_t>(first)].push_back(compiled);
            }
        }
    }
}

std::uint64_t ShapeTable::admitted(const Profile& profile) const {
    // A profile has one first class; none only where the table could not be built.
    const int first = std::countr_zero(profile.first);
    if (first >= 64) return ~std::uint64_t{0};
    std::uint64_t detectors = m_unshaped;
    for (const CompiledShape& shape : m_shapesByFirst[static_cast<std::size_t>(first)]) {
        if ((profile.classes & ~shape.alphabet) == 0 && (profile.classes & shape.mustContain) == shape.mustContain) {
            detectors |= std::uint64_t{1} << shape.detector;
        }
    }
    return detectors;
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
