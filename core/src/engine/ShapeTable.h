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
    /// The detectors, a bit each by their index, that may accept a text of `profile`; those
    /// past the 64th always may.
    std::uint64_t admitted(const Profile& profile) const;
    /// False when the detector at `index` declines every text of `profile`.
    bool admits(std::size_t index, const Profile& profile) const {
        return index >= 64 || ((admitted(profile) >> index) & 1) != 0;
    }

private:
    struct CompiledShape {
        std::size_t detector;
        std::uint64_t alphabet;
        std::uint64_t mustContain;
    };
    std::array<std::uint64_t, 256> m_classOf{};
    /// The shapes whose first bytes hold each class, in the detectors' order.
    std::array<std::vector<CompiledShape>, 64> m_shapesByFirst;
    /// Detectors that declare no shape, and every detector until the table is built.
    std::uint64_t m_unshaped = ~std::uint64_t{0};
};

} // namespace orvel
