#include "TerminalRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <unistd.h>

#include "orvel/DetailCategorizer.h"
#include "orvel/Unicode.h"

namespace orvel::cli {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

class Painter {
public:
    explicit Painter(RenderStyle style) : m_style(style) {}
    std::string heading(std::string_view text) const { return paint("1", text); }
    std::string kind(std::string_view text) const { return paint("1;36", text); }
    std::string muted(std::string_view text) const { return paint("2", text); }

private:
    std::string paint(std::string_view code, std::string_view text) const {
        if (!m_style.colour) return std::string(text);
        return fmt::format("\x1b[{}m{}\x1b[0m", code, text);
    }
    RenderStyle m_style;
};

// Decoded payloads are untrusted: control characters are shown as escapes so that nothing a
// payload holds can move the cursor, change colours or rewrite the terminal's title.
std::string displayable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if ((byte < 0x20 && byte != '\t' && !lineEnd) || byte == 0x7F) {
            shown += fmt::format("\\u{{{:02X}}}", byte);
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            // C1 controls (U+0080...U+009F) are two bytes, C2 80 to C2 9F.
            shown += fmt::format("\\u{{{:02X}}}", static_cast<unsigned char>(text[++i]));
        } else {
            shown += text[i];
        }
    }
    return shown;
}

// Continuation lines of a multi-line value start under the value column.
std::string indentContinuation(std::string_view value, std::size_t indent) {
    std::string result;
    for (char c : value) {
        result += c;
        if (c == '\n') result.append(indent, ' ');
    }
    return result;
}

void appendTable(std::string& out, const Painter& painter, std::string_view title, const Rows& rows) {
    if (rows.empty()) return;
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    out += fmt::format("    {}\n", painter.heading(title));
    for (const auto& [key, value] : rows) {
        const std::string padded = key + std::string(width - key.size(), ' ');
        out += fmt::format("      {}  {}\n", painter.muted(padded), indentContinuation(displayable(value), 8 + width));
    }
}

std::string shapeText(const DecodeChain& chain) {
    std::string shape;
    for (const auto kind : chain.kinds()) {
        if (!shape.empty()) shape += " → ";
        shape += rawValue(kind);
    }
    return shape;
}

// At most `limit` characters on one line: line breaks shown as "⏎", a long text cut in the middle.
std::string oneLinePreview(std::string_view text, std::size_t limit) {
    std::string flat;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        flat += text[i] == '\n' ? std::string_view("⏎") : text.substr(i, 1);
    }
    const std::size_t length = Unicode::graphemeCount(flat);
    if (length <= limit) return displayable(flat);
    const std::size_t half = (limit - 1) / 2;
    const std::string_view head = Unicode::graphemePrefix(flat, half);
    const std::string_view tail = std::string_view(flat).substr(Unicode::graphemePrefix(flat, length - half).size());
    return displayable(head) + "…" + displayable(tail);
}

} // namespace

RenderStyle styleForStandardOutput() {
    const char* noColour = std::getenv("NO_COLOR");
    return RenderStyle{.colour = isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0')};
}

std::string renderChain(const DecodeChain& chain, RenderStyle style) {
    const Painter painter(style);
    if (!chain.isRecognized()) {
        return fmt::format("{}: no known artifact was found in this input.\n", painter.heading("Not recognised"));
    }
    std::string out = fmt::format("{}  {}\n", painter.heading("Shape"), painter.kind(shapeText(chain)));
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const DecodeResult& step = chain.steps[i];
        const long percent = std::lround(step.confidence * 100);
        out += fmt::format("\n{} {} {}\n", painter.heading(fmt::format("[{}]", i + 1)), painter.kind(rawValue(step.kind)),
                           painter.muted(fmt::format("· {}%", percent)));
        out += fmt::format("    {}\n", indentContinuation(displayable(step.summary), 4));
        const DetailCategorizer split(step.details);
        appendTable(out, painter, "Facts", split.facts);
        appendTable(out, painter, "What it means / next steps", split.notes);
    }
    out += fmt::format("\n{}\n{}\n", painter.heading("Final value"), displayable(chain.finalValue()));
    return out;
}

std::string renderFindingsHeading(std::size_t count, RenderStyle style) {
    return fmt::format("{}\n", Painter(style).heading(fmt::format("Found {} artifact(s)", count)));
}

std::string renderFindingLine(const ScanFinding& finding, std::size_t lineWidth, RenderStyle style) {
    const Painter painter(style);
    return fmt::format("{}  {}  {}\n", painter.muted(fmt::format("line {:>{}}", finding.line, lineWidth)),
                       oneLinePreview(finding.matchedText, 60), painter.kind(shapeText(finding.chain)));
}

std::string renderExplanation(std::string_view text, ExplainerSource source, RenderStyle style) {
    const Painter painter(style);
    return fmt::format("\n{} {}\n{}\n", painter.heading("Explanation"), painter.muted(fmt::format("· {}", rawValue(source))),
                       displayable(text));
}

// The prompt quotes decoded payloads, so it is shown with the same escapes as the rendering;
// a model reads "\u{1B}" as well as the raw byte.
std::string renderModelRequest(const ExplanationRequest& request) {
    return displayable(request.instructions) + "\n\n" + displayable(request.prompt) + "\n";
}

} // namespace orvel::cli
