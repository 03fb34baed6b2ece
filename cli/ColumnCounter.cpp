#include "ColumnCounter.h"

#include "orvel/Unicode.h"

namespace orvel::cli {

std::size_t ColumnCounter::columnAt(std::size_t offset) {
    std::size_t from = m_counted;
    for (std::size_t at = offset; at > m_counted; --at) {
        if (m_text[at - 1] == '\n' && (at < 2 || m_text[at - 2] != '\r')) {
            from = at;
            m_column = 1;
            break;
        }
    }
    m_column += Unicode::graphemeCount(m_text.substr(from, offset - from));
    m_counted = offset;
    return m_column;
}

} // namespace orvel::cli
