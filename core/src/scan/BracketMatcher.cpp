#include "scan/BracketMatcher.h"

#include <cstdint>
#include <limits>

#include "orvel/Unicode.h"

namespace orvel {
namespace {

enum class Symbol : std::uint8_t { open, close, quote, backslash, other };

// One character that can change the lexer's state, or the character that follows a backslash
// (whatever it is, an escape consumes it). Every other character leaves every state as it is.
struct Element {
    std::size_t offset;
    Symbol symbol;
};

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

Symbol symbolOf(char c) {
    switch (c) {
    case '{':
    case '[': return Symbol::open;
    case '}':
    case ']': return Symbol::close;
    case '"': return Symbol::quote;
    case '\\': return Symbol::backslash;
    default: return Symbol::other;
    }
}

// An ASCII byte is a character of its own unless a combining mark, joiner or prepended sign
// fuses it with a neighbour into one user-perceived character.
bool standsAlone(std::string_view text, std::size_t offset) {
    const auto isASCII = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) < 0x80; };
    const bool before = offset == 0 || isASCII(offset - 1) || Unicode::isGraphemeBoundary(text, offset);
    const bool after = offset + 1 == text.size() || isASCII(offset + 1) || Unicode::isGraphemeBoundary(text, offset + 1);
    return before && after;
}

std::vector<Element> lexicalElements(std::string_view text) {
    std::vector<Element> elements;
    for (std::size_t i = 0; i < text.size(); ++i) {
        Symbol symbol = symbolOf(text[i]);
        if (symbol != Symbol::other && !standsAlone(text, i)) symbol = Symbol::other;
        // A lone backslash is a character of its own, so the escaped character starts right after it.
        const bool escaped = !elements.empty() && elements.back().symbol == Symbol::backslash &&
                             elements.back().offset + 1 == i;
        if (symbol != Symbol::other || escaped) elements.push_back({i, symbol});
    }
    return elements;
}

} // namespace

std::vector<TextRange> jsonRanges(std::string_view text) {
    const std::vector<Element> elements = lexicalElements(text);
    const std::size_t count = elements.size();

    // closeOutside[k] / closeInside[k]: the element index of the first closing bracket that
    // takes the depth below its level when lexing starts at element k outside / inside a
    // string; kNone when the text ends first. Starting just after a backslash at k is the same
    // as starting inside a string at k + 1. Two sentinels keep the look-ahead in range.
    std::vector<std::size_t> closeOutside(count + 2, kNone);
    std::vector<std::size_t> closeInside(count + 2, kNone);
    const auto closeEscaped = [&](std::size_t k) { return closeInside[k + 1]; };

    for (std::size_t k = count; k-- > 0;) {
        switch (elements[k].symbol) {
        case Symbol::open: {
            // The bracket opened here closes at `inner`; the level is left at the closer after it.
            const std::size_t inner = closeOutside[k + 1];
            closeOutside[k] = inner == kNone ? kNone : closeOutside[inner + 1];
            closeInside[k] = closeInside[k + 1];
            break;
        }
        case Symbol::close:
            closeOutside[k] = k;
            closeInside[k] = closeInside[k + 1];
            break;
        case Symbol::quote:
            closeOutside[k] = closeInside[k + 1];
            closeInside[k] = closeOutside[k + 1];
            break;
        case Symbol::backslash:
            closeOutside[k] = closeOutside[k + 1];
            closeInside[k] = closeEscaped(k + 1);
            break;
        case Symbol::other:
            closeOutside[k] = closeOutside[k + 1];
            closeInside[k] = closeInside[k + 1];
            break;
        }
    }

    std::vector<TextRange> ranges;
    std::size_t resume = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const Element& element = elements[k];
        if (element.offset < resume || element.symbol != Symbol::open) continue;
        const std::size_t closer = closeOutside[k + 1];
        if (closer == kNone) continue;
        const std::size_t end = elements[closer].offset + 1;
        ranges.push_back({element.offset, end});
        if (end == text.size()) break;
        resume = end;
    }
    return ranges;
}

} // namespace orvel
