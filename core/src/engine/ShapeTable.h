#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "orvel/ChainEngine.h"

namespace orvel {

/// The detectors' declared shapes, compiled so that one pass over a text's bytes tells which
/// detectors would decline it. Bytes that every declared set treats alike share a class, and a
/// text's profile is the set of classes it holds: with at most 63 classes, a mask. The last bit
/// stands for the first byte of the empty text, which only a shape without a first-byte rule
/// admits.
class ShapeTable {
public:
    explicit ShapeTable(const DetectorList& detectors);

    /// The byte classes of a text, and the class of its first byte.
    struct Profile {
        std::uint64_t classes = 0;
        std::uint64_t first = 0;
    };
    /// The profile of `trimmed`, a text with white space trimmed from both ends.
    Profile profileOf(std::string_view trimmed) const;
    /// False when the detector at `index` declines every text of `profile`.
    bool admits(std::size_t index, const Profile& profile) const {
        const std::size_t end = m_firstShape[index + 1];
        if (m_firstShape[index] == end) return true;
        for (std::size_t shape = m_firstShape[index]; shape < end; ++shape) {
            const CompiledShape& compiled = m_shapes[shape];
            if ((profile.classes & ~compiled.alphabet) == 0 &&
                (profile.classes & compiled.mustContain) == compiled.mustContain &&
                (profile.first & compiled.firstBytes) != 0) {
                return true;
            }
        }
        return false;
    }

private:
    struct CompiledShape {
        std::uint64_t alphabet;
        std::uint64_t mustContain;
        std::uint64_t firstBytes;
    };
    std::array<std::uint64_t, 256> m_classOf{};
    std::vector<CompiledShape> m_shapes;   ///< every detector's, one detector after another
    std::vector<std::size_t> m_firstShape; ///< where each detector's shapes begin, then the end
};

} // namespace orvel
