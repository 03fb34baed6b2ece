#include "TerminalRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
// payload holds can move the cursor, change colours or rewrite the terminal's title. The shown
// text goes to `put` in pieces, so that a large payload is never copied whole; `indent` blanks
// follow every line break, so that continuation lines of a value start under its column.
template <typename Put>
void show(std::string_view text, std::size_t indent, Put&& put) {
    const std::string margin(indent, ' ');
    std::size_t run = 0; // start of the bytes not yet put, which are shown as they are
    const auto escape = [&](std::size_t at, std::size_t length, unsigned char code) {
        put(text.substr(run, at - run));
        put(fmt::format("\\u{{{:02X}}}", code));
        run = at + length;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if ((byte < 0x20 && byte != '\t' && !lineEnd) || byte == 0x7F) {
            escape(i, 1, byte);
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            // C1 controls (U+0080...U+009F) are two bytes, C2 80 to C2 9F.
            escape(i, 2, static_cast<unsigned char>(text[i + 1]));
            ++i;
        } else if (byte == '\n' && indent > 0) {
            put(text.substr(run, i + 1 - run));
            put(margin);
            run = i + 1;
        }
    }
    put(text.substr(run));
}

std::string displayable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    show(text, 0, [&shown](std::string_view piece) { shown += piece; });
    return shown;
}

void write(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

void writeShown(std::FILE* out, std::string_view text, std::size_t indent = 0) {
    show(text, indent, [out](std::string_view piece) { write(out, piece); });
}

void writeTable(std::FILE* out, const Painter& painter, std::string_view title, const Rows& rows) {
    if (rows.empty()) return;
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    fmt::print(out, "    {}\n", painter.heading(title));
    for (const auto& [key, value] : rows) {
        const std::string padded = key + std::string(width - key.size(), ' ');
        fmt::print(out, "      {}  ", painter.muted(padded));
        writeShown(out, value, 8 + width);
        write(out, "\n");
    }
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

void renderChain(std::FILE* out, const DecodeChain& chain, RenderStyle style) {
    const Painter painter(style);
    if (!chain.isRecognized()) {
        fmt::print(out, "{}: no known artifact was found in this input.\n", painter.heading("Not recognised"));
        return;
    }
    fmt::print(out, "{}  {}\n", painter.heading("Shape"), painter.kind(chain.shapeText()));
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const DecodeResult& step = chain.steps[i];
        const long percent = std::lround(step.confidence * 100);
        fmt::print(out, "\n{} {} {}\n    ", painter.heading(fmt::format("[{}]", i + 1)),
                   painter.kind(rawValue(step.kind)), painter.muted(fmt::format("· {}%", percent)));
        writeShown(out, step.summary, 4);
        write(out, "\n");
        const DetailCategorizer split(step.details);
        writeTable(out, painter, "Facts", split.facts);
        writeTable(out, painter, "What it means / next steps", split.notes);
    }
    fmt::print(out, "\n{}\n", painter.heading("Final value"));
    writeShown(out, chain.finalValue());
    write(out, "\n");
}

std::string renderFindingsHeading(std::size_t count, RenderStyle style) {
    return fmt::format("{}\n", Painter(style).heading(fmt::format("Found {} artifact(s)", count)));
}

std::string renderFindingLine(const ScanFinding& finding, std::size_t lineWidth, RenderStyle style) {
    const Painter painter(style);
    return fmt::format("{}  {}  {}\n", painter.muted(fmt::format("line {:>{}}", finding.line, lineWidth)),
                       oneLinePreview(finding.matchedText, 60), painter.kind(finding.chain.shapeText()));
}

void renderExplanation(std::FILE* out, std::string_view text, ExplainerSource source, RenderStyle style) {
    const Painter painter(style);
    fmt::print(out, "\n{} {}\n", painter.heading("Explanation"), painter.muted(fmt::format("· {}", rawValue(source))));
    writeShown(out, text);
    write(out, "\n");
}

// The prompt quotes decoded payloads, so it is shown with the same escapes as the rendering;
// a model reads "\u{1B}" as well as the raw byte.
void renderModelRequest(std::FILE* out, const ExplanationRequest& request) {
    writeShown(out, request.instructions);
    write(out, "\n\n");
    writeShown(out, request.prompt);
    write(out, "\n");
}

} // namespace orvel::cli
