#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <fmt/format.h>

// Laying out untrusted text on a terminal: escaping controls, one-line previews, cutting,
// padding and wrapping, all measured in user-perceived characters.
namespace orvel::cli::TextLayout {

/// Hands `text` to `put` in pieces with every control character shown as an escape ("\u{1B}"),
/// so that nothing a payload holds can move the cursor, change colours or retitle the terminal;
/// `indent` blanks follow every line break, so that continuation lines start under their column.
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

/// `text` with its control characters escaped, as show() puts it.
std::string displayable(std::string_view text);

/// `text` on one line and escaped: line breaks shown as "⏎".
std::string oneLine(std::string_view text);

/// How many user-perceived characters `text` has.
std::size_t width(std::string_view text);

/// `text` cut to `limit` characters in the middle ("head…tail"), or unchanged when it fits.
std::string cutMiddle(std::string_view text, std::size_t limit);

/// `text` cut to `limit` characters at the end ("head…"), or unchanged when it fits.
std::string cutEnd(std::string_view text, std::size_t limit);

/// `text` followed by blanks up to `columns` characters.
std::string padded(std::string_view text, std::size_t columns);

/// `text` broken into lines of at most `columns` characters, at blanks where it has them, each
/// line after the first preceded by `indent` blanks (the column the first one starts in).
std::string wrapped(std::string_view text, std::size_t columns, std::size_t indent);

} // namespace orvel::cli::TextLayout
