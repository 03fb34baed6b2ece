#pragma once

#include <cstddef>
#include <string_view>

namespace orvel::cli {

/// The column of each finding in a scanned text: user-perceived characters from the start of
/// its line, counted from 1, with lines ended as the scanner ends them (a line feed that does
/// not follow a carriage return). Findings come in text order, so one forward count serves all.
class ColumnCounter {
public:
    explicit ColumnCounter(std::string_view text) : m_text(text) {}

    /// The column at byte `offset`, which starts a character and is no smaller than the last one asked.
    std::size_t columnAt(std::size_t offset);

private:
    std::string_view m_text;
    std::size_t m_counted = 0; ///< the offset of the last answer
    std::size_t m_column = 1;  ///< the column at m_counted
};

} // namespace orvel::cli
