#include "FindingTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "Painter.h"
#include "TextLayout.h"

namespace orvel::cli {
namespace {

// Without a known width a preview keeps to this many characters.
constexpr std::size_t kPreviewWithoutWidth = 60;
// Without a known width a summary column is at most this wide.
constexpr std::size_t kSummaryWithoutWidth = 60;
// A row layout leaves at least this much to the summary and the preview; narrower terminals
// get each finding as a short block of lines instead.
constexpr std::size_t kNarrowestSummary = 12;
constexpr std::size_t kNarrowestPreview = 16;
constexpr std::string_view kGap = "  ";

// The first step's security note, else its first other note on the algorithm or format.
std::string securityNote(const ScanFinding& finding) {
    const Details& details = finding.chain.steps.front().details;
    auto note = details.find("security");
    if (note == details.end()) {
        note = std::find_if(details.begin(), details.end(),
                            [](const auto& entry) { return std::string_view(entry.first).ends_with("_note"); });
    }
    if (note == details.end()) return {};
    return TextLayout::displayable(std::string_view(note->second).substr(0, note->second.find('\n')));
}

} // namespace

struct FindingTable::Row {
    std::array<std::string, 5> fields; // location, shape, summary, note, preview
};

FindingTable::FindingTable(RenderStyle style) : m_style(style), m_spill(std::tmpfile(), &std::fclose) {}

void FindingTable::add(const ScanFinding& finding, std::string_view fileName, std::size_t column) {
    std::string location = fmt::format("{}{}{}:{}", fileName, fileName.empty() ? "" : ":", finding.line, column);
    ++m_count;
    const DecodeResult& first = finding.chain.steps.front();
    ++m_kinds[std::string(rawValue(first.kind))];
    // The preview is kept no longer than any width could show, cut in the middle, so that a
    // later, shorter cut in the middle still shows its two ends.
    const std::size_t keep = m_style.width > 0 ? m_style.width : kPreviewWithoutWidth;
    const Row row{{std::move(location), finding.chain.shapeText(), TextLayout::oneLine(first.summary),
                   securityNote(finding), TextLayout::cutMiddle(TextLayout::oneLine(finding.matchedText), keep)}};
    m_locationWidth = std::max(m_locationWidth, TextLayout::width(row.fields[0]));
    m_shapeWidth = std::max(m_shapeWidth, TextLayout::width(row.fields[1]));
    m_summaryWidth = std::max(m_summaryWidth, TextLayout::width(row.fields[2]));
    for (const std::string& field : row.fields) {
        const auto size = static_cast<std::uint64_t>(field.size());
        m_kept = m_kept && std::fwrite(&size, sizeof size, 1, m_spill.get()) == 1 &&
                 std::fwrite(field.data(), 1, field.size(), m_spill.get()) == field.size();
    }
}

bool FindingTable::readRow(Row& row) const {
    for (std::string& field : row.fields) {
        std::uint64_t size = 0;
        if (std::fread(&size, sizeof size, 1, m_spill.get()) != 1) return false;
        field.resize(static_cast<std::size_t>(size));
        if (std::fread(field.data(), 1, field.size(), m_spill.get()) != field.size()) return false;
    }
    return true;
}

void FindingTable::writeRow(std::FILE* out, const Row& row, std::optional<std::size_t> summaryWidth) const {
    const Painter painter(m_style.colour);
    const auto& [location, shape, summary, note, preview] = row.fields;
    const std::size_t width = m_style.width;
    if (!summaryWidth) { // a narrow terminal: a block of short lines
        const std::size_t room = width > kGap.size() ? width - kGap.size() : 1;
        fmt::print(
            out, "{}{}{}\n{}{}\n", painter.muted(location), kGap,
            painter.kind(TextLayout::cutEnd(shape, width > location.size() + 2 ? width - location.size() - 2 : 1)),
            kGap, painter.verdicts(TextLayout::cutEnd(summary, room)));
        if (!note.empty()) fmt::print(out, "{}{}\n", kGap, painter.warning(TextLayout::cutEnd("! " + note, room)));
        fmt::print(out, "{}{}\n", kGap, TextLayout::cutMiddle(preview, room));
        return;
    }
    const std::size_t indent = m_locationWidth + m_shapeWidth + 2 * kGap.size();
    const std::size_t previewRoom =
        width == 0 ? kPreviewWithoutWidth : width - std::min(width, indent + *summaryWidth + kGap.size());
    fmt::print(out, "{}{}{}{}{}{}{}\n", painter.muted(TextLayout::padded(location, m_locationWidth)), kGap,
               painter.kind(TextLayout::padded(shape, m_shapeWidth)), kGap,
               painter.verdicts(TextLayout::padded(TextLayout::cutEnd(summary, *summaryWidth), *summaryWidth)), kGap,
               TextLayout::cutMiddle(preview, std::max(previewRoom, kNarrowestPreview)));
    if (note.empty()) return;
    const std::string shown = "! " + note;
    fmt::print(out, "{}{}\n", std::string(indent, ' '),
               painter.warning(width == 0 ? shown : TextLayout::cutEnd(shown, width > indent ? width - indent : 1)));
}

bool FindingTable::write(std::FILE* out) const {
    if (!m_kept || std::fflush(m_spill.get()) != 0 || std::fseek(m_spill.get(), 0, SEEK_SET) != 0) return false;
    // The summaries take what the preview's least leaves them, or the narrow layout is used.
    std::optional<std::size_t> summaryWidth = std::min(m_summaryWidth, kSummaryWithoutWidth);
    if (m_style.width > 0) {
        const std::size_t fixed = m_locationWidth + m_shapeWidth + 3 * kGap.size() + kNarrowestPreview;
        const std::size_t room = m_style.width > fixed ? m_style.width - fixed : 0;
        summaryWidth = room < kNarrowestSummary ? std::nullopt : std::optional(std::min(m_summaryWidth, room));
    }
    Row row;
    for (std::size_t i = 0; i < m_count; ++i) {
        if (!readRow(row)) return false;
        writeRow(out, row, summaryWidth);
    }
    if (m_kinds.empty()) return true;
    std::string totals;
    for (const auto& [kind, count] : m_kinds) {
        totals += fmt::format("{}{} {}", totals.empty() ? "" : " · ", count, kind);
    }
    const std::size_t width = m_style.width;
    fmt::print(out, "\n{}\n", width > 0 ? TextLayout::wrapped(totals, width, 0) : totals);
    return true;
}

} // namespace orvel::cli
