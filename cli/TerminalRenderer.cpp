#include "TerminalRenderer.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "Painter.h"
#include "TextLayout.h"
#include "orvel/DetailCategorizer.h"

namespace orvel::cli {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

void write(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

void writeShown(std::FILE* out, std::string_view text, std::size_t indent = 0) {
    TextLayout::show(text, indent, [out](std::string_view piece) { write(out, piece); });
}

// A value starting in column `indent`: wrapped with a hanging indent when the width is known,
// its verdicts painted. Without a width it is streamed, since a value can be large.
void writeValue(std::FILE* out, std::string_view value, std::size_t indent, const Painter& painter, RenderStyle style,
                bool glossary = false) {
    if (style.width == 0 && !style.colour) {
        writeShown(out, value, indent);
        return;
    }
    std::string shown;
    if (style.width > indent + 10) {
        shown =
            TextLayout::wrapped(Painter::joinVerdicts(TextLayout::displayable(value)), style.width - indent, indent);
        std::replace(shown.begin(), shown.end(), Painter::kJoiner, ' ');
    } else {
        TextLayout::show(value, indent, [&shown](std::string_view piece) { shown += piece; });
    }
    write(out, glossary ? painter.muted(shown) : painter.verdicts(shown));
}

// Meanings of claims and fields are a glossary; security notes come first, then advice and times.
bool isGlossaryKey(std::string_view key) { return key == "meaning" || key.ends_with("_meaning"); }
int noteRank(std::string_view key) {
    if (key == "security" || key.ends_with("_note")) return 0;
    return isGlossaryKey(key) ? 2 : 1;
}

void writeTable(std::FILE* out, const Painter& painter, RenderStyle style, std::string_view title, const Rows& rows) {
    if (rows.empty()) return;
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    fmt::print(out, "    {}\n", painter.heading(title));
    for (const auto& [key, value] : rows) {
        const std::string padded = key + std::string(width - key.size(), ' ');
        fmt::print(out, "      {}  ", painter.muted(padded));
        writeValue(out, value, 8 + width, painter, style, isGlossaryKey(key));
        write(out, "\n");
    }
}

std::size_t outputWidth() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    if (columns == nullptr) return 0;
    const std::string_view text(columns);
    std::size_t width = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
    return error == std::errc{} && end == text.data() + text.size() ? width : 0;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

RenderStyle styleForStandardOutput(ColourChoice choice) {
    const char* term = std::getenv("TERM");
    const bool automatic =
        isatty(STDOUT_FILENO) == 1 && !isSet("NO_COLOR") && (term == nullptr || std::string_view(term) != "dumb");
    return RenderStyle{.colour = choice == ColourChoice::always || (choice == ColourChoice::automatic && automatic),
                       .width = outputWidth()};
}

void renderChain(std::FILE* out, const DecodeChain& chain, RenderStyle style) {
    const Painter painter(style.colour);
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
        writeValue(out, step.summary, 4, painter, style);
        write(out, "\n");
        DetailCategorizer split(step.details);
        std::stable_sort(split.notes.begin(), split.notes.end(),
                         [](const auto& a, const auto& b) { return noteRank(a.first) < noteRank(b.first); });
        writeTable(out, painter, style, "Facts", split.facts);
        writeTable(out, painter, style, "What it means / next steps", split.notes);
    }
    // The final value is written as it is, never wrapped, so that it can be copied whole.
    fmt::print(out, "\n{}\n", painter.heading("Final value"));
    writeShown(out, chain.finalValue());
    write(out, "\n");
}

void renderExplanation(std::FILE* out, std::string_view text, ExplainerSource source, RenderStyle style) {
    const Painter painter(style.colour);
    fmt::print(out, "\n{} {}\n", painter.heading("Explanation"), painter.muted(fmt::format("· {}", rawValue(source))));
    writeValue(out, text, 0, painter, style);
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
