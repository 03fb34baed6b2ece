#include "TextLayout.h"

#include <algorithm>

#include "orvel/Unicode.h"

namespace orvel::cli::TextLayout {

std::string displayable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    show(text, 0, [&shown](std::string_view piece) { shown += piece; });
    return shown;
}

std::string oneLine(std::string_view text) {
    std::string flat;
    flat.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        flat += text[i] == '\n' ? std::string_view("⏎") : text.substr(i, 1);
    }
    return displayable(flat);
}

std::size_t width(std::string_view text) { return Unicode::graphemeCount(text); }

std::string cutMiddle(std::string_view text, std::size_t limit) {
    const std::size_t length = width(text);
    if (length <= limit) return std::string(text);
    if (limit == 0) return {};
    const std::size_t tailLength = (limit - 1) / 2;
    const std::string_view head = Unicode::graphemePrefix(text, limit - 1 - tailLength);
    const std::string_view tail = text.substr(Unicode::graphemePrefix(text, length - tailLength).size());
    return std::string(head) + "…" + std::string(tail);
}

std::string cutEnd(std::string_view text, std::size_t limit) {
    if (width(text) <= limit) return std::string(text);
    if (limit == 0) return {};
    return std::string(Unicode::graphemePrefix(text, limit - 1)) + "…";
}

std::string padded(std::string_view text, std::size_t columns) {
    return std::string(text) + std::string(columns - std::min(columns, width(text)), ' ');
}

std::string wrapped(std::string_view text, std::size_t columns, std::size_t indent) {
    const std::string margin = "\n" + std::string(indent, ' ');
    std::string result;
    std::size_t room = columns; // characters the current line may still take
    std::size_t lineStart = 0;
    while (lineStart <= text.size()) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        std::string_view rest = text.substr(lineStart, lineEnd - lineStart);
        // A run too long for its line breaks at its last blank that fits, else mid-word.
        while (width(rest) > room && room > 0) {
            std::string_view fits = Unicode::graphemePrefix(rest, room);
            const std::size_t blank = fits.rfind(' ');
            if (blank != std::string_view::npos && blank > 0) fits = fits.substr(0, blank);
            result.append(fits);
            result += margin;
            rest.remove_prefix(fits.size());
            if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            room = columns;
        }
        result.append(rest);
        if (lineEnd == text.size()) break;
        result += margin;
        room = columns;
        lineStart = lineEnd + 1;
    }
    return result;
}

} // namespace orvel::cli::TextLayout
