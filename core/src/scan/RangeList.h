#pragma once

#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

#include "text/Regex.h"

namespace orvel {

/// Ranges of one text, in their order, held in 32 bits a bound wherever the text is shorter than
/// 4 GiB: a large log has millions of candidates, held for the whole scan.
class RangeList {
public:
    RangeList() = default;
    /// The ranges from `first` to `last`, of a text of `textBytes` bytes.
    template <typename Iterator>
    RangeList(Iterator first, Iterator last, std::size_t textBytes) {
        if (textBytes >= std::numeric_limits<std::uint32_t>::max()) {
            m_wide.assign(first, last);
            return;
        }
        m_narrow.reserve(2 * static_cast<std::size_t>(std::distance(first, last)));
        for (; first != last; ++first) {
            m_narrow.push_back(static_cast<std::uint32_t>(first->begin));
            m_narrow.push_back(static_cast<std::uint32_t>(first->end));
        }
    }

    std::size_t size() const { return m_wide.empty() ? m_narrow.size() / 2 : m_wide.size(); }
    TextRange operator[](std::size_t index) const {
        if (!m_wide.empty()) return m_wide[index];
        return {m_narrow[2 * index], m_narrow[2 * index + 1]};
    }

private:
    std::vector<std::uint32_t> m_narrow; ///< begin, end, begin, end…
    std::vector<TextRange> m_wide;       ///< the ranges of a text of 4 GiB or more
};

} // namespace orvel
