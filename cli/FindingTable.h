#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "TerminalRenderer.h"
#include "orvel/ScanFinding.h"

namespace orvel::cli {

/// The readable list of scan findings: one row per finding with its position, shape, first
/// summary, security note and a preview, in aligned columns, then the count of each kind.
/// Columns are aligned over every row, yet a large log's rows are too many to hold, so each is
/// kept in a temporary file until the list is written.
class FindingTable {
public:
    explicit FindingTable(RenderStyle style);

    /// Whether the temporary file could be made; without it nothing can be added.
    bool isReady() const { return m_spill != nullptr; }

    /// Adds `finding`, which begins in column `column` of its line, as the next row; its position
    /// is "LINE:COL", after `fileName` and a colon when that is not empty.
    void add(const ScanFinding& finding, std::string_view fileName, std::size_t column);

    /// How many rows have been added.
    std::size_t count() const { return m_count; }

    /// Writes the rows and the totals to `out`; false when a row could not be kept.
    bool write(std::FILE* out) const;

private:
    struct Row;
    /// Reads the next kept row back; false when it cannot be.
    bool readRow(Row& row) const;
    /// Writes one row, its summary in `summaryWidth` columns, or as a block when absent.
    void writeRow(std::FILE* out, const Row& row, std::optional<std::size_t> summaryWidth) const;

    RenderStyle m_style;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_spill;
    std::size_t m_count = 0;
    std::size_t m_locationWidth = 0;
    std::size_t m_shapeWidth = 0;
    std::size_t m_summaryWidth = 0;
    std::map<std::string, std::size_t> m_kinds; ///< findings of each first kind
    bool m_kept = true;
};

} // namespace orvel::cli
