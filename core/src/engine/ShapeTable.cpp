#include "engine/ShapeTable.h"

#include <algorithm>
#include <map>

namespace orvel {
namespace {

// The sets a class may not straddle: each alphabet and first-byte set, and each byte that must
// occur on its own.
std::vector<ByteSet> distinctions(const std::vector<std::vector<TextShape>>& declared) {
    std::vector<ByteSet> sets;
    for (const auto& shapes : declared) {
        for (const TextShape& shape : shapes) {
            sets.push_back(shape.alphabet);
            sets.push_back(shape.firstBytes);
            for (int byte = 0; byte < 256; ++byte) {
                const auto value = static_cast<std::uint8_t>(byte);
                if (shape.mustContain.contains(value)) sets.push_back(ByteSet(std::string_view(
                    reinterpret_cast<const char*>(&value), 1)));
            }
        }
    }
    return sets;
}

} // namespace

ShapeTable::ShapeTable(const DetectorList& detectors) : m_shapes(detectors.size()) {
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
        if (index >= 64) return;
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
            m_shapes[index].push_back(
                {maskOf(shape.alphabet), maskOf(shape.mustContain), maskOf(shape.firstBytes), shape.firstBytes.isAll()});
        }
    }
}

ShapeTable::Profile ShapeTable::profileOf(std::string_view trimmed) const {
    Profile profile;
    for (const char c : trimmed) profile.classes |= m_classOf[static_cast<unsigned char>(c)];
    if (!trimmed.empty()) profile.first = m_classOf[static_cast<unsigned char>(trimmed.front())];
    return profile;
}

bool ShapeTable::admits(std::size_t index, const Profile& profile) const {
    const std::vector<CompiledShape>& shapes = m_shapes[index];
    return shapes.empty() || std::ranges::any_of(shapes, [&](const CompiledShape& shape) {
               return (profile.classes & ~shape.alphabet) == 0 &&
                      (profile.classes & shape.mustContain) == shape.mustContain &&
                      (shape.anyFirst || (profile.first & shape.firstBytes) != 0);
           });
}

} // namespace orvel
