#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"

namespace orvel {

/// The detectors' declared shapes, compiled so that one pass over a text's bytes tells which
/// detectors would decline it. Bytes that every declared set treats alike share a class, and a
/// text's profile is the set of classes it holds: with at most 64 classes, a mask.
class ShapeTable {
public:
    explicit ShapeTable(const DetectorList& detectors);

    /// The byte classes of a text, and the class of its first byte (none when it is empty).
    struct Profile {
        std::uint64_t classes = 0;
        std::uint64_t first = 0;
    };
    /// The profile of `trimmed`, a text with white space trimmed from both ends.
    Profile profileOf(std::string_view trimmed) const;
    /// False when the detector at `index` declines every text of `profile`.
    bool admits(std::size_t index, const Profile& profile) const;

private:
    struct CompiledShape {
        std::uint64_t alphabet;
        std::uint64_t mustContain;
        std::uint64_t firstBytes;
        bool anyFirst;
    };
    std::array<std::uint64_t, 256> m_classOf{};
    std::vector<std::vector<CompiledShape>> m_shapes; ///< by detector; none: any text may do
};

} // namespace orvel
