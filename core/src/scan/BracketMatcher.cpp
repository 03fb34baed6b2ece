#include "scan/BracketMatcher.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "orvel/Unicode.h"

namespace orvel {
namespace {

enum class Symbol : std::uint8_t { open, close, quote, backslash, other };

// The characters that can change the lexer's state, plus the character after each lone
// backslash (whatever it is, an escape consumes it), stored column-wise to keep the memory per
// element small: a log's worth of elements is faulted in page by page.
template <typename Index>
struct Elements {
    std::vector<Index> offsets;
    std::vector<Symbol> symbols;
};

Symbol symbolOf(char c) {
    switch (c) {
    case '{':
    case '[':
        return Symbol::open;
    case '}':
    case ']':
        return Symbol::close;
    case '"':
        return Symbol::quote;
    case '\\':
        return Symbol::backslash;
    default:
        return Symbol::other;
    }
}

// An ASCII byte is a character of its own unless a combining mark, joiner or prepended sign
// fuses it with a neighbour into one user-perceived character.
bool standsAlone(std::string_view text, std::size_t offset) {
    const auto isASCII = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) < 0x80; };
    const bool before = offset == 0 || isASCII(offset - 1) || Unicode::isGraphemeBoundary(text, offset);
    const bool after =
        offset + 1 == text.size() || isASCII(offset + 1) || Unicode::isGraphemeBoundary(text, offset + 1);
    return before && after;
}

template <typename Index>
Elements<Index> lexicalElements(std::string_view text) {
    const std::size_t upperBound = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return symbolOf(c) != Symbol::other; }));
    Elements<Index> elements;
    // Each escape adds at most one element, the escaped character.
    elements.offsets.reserve(2 * upperBound);
    elements.symbols.reserve(2 * upperBound);
    for (std::size_t i = 0; i < text.size(); ++i) {
        Symbol symbol = symbolOf(text[i]);
        if (symbol != Symbol::other && !standsAlone(text, i)) symbol = Symbol::other;
        // A lone backslash is a character of its own, so the escaped character starts right after it.
        const bool escaped = !elements.symbols.empty() && elements.symbols.back() == Symbol::backslash &&
                             elements.offsets.back() + 1 == i;
        if (symbol != Symbol::other || escaped) {
            elements.offsets.push_back(static_cast<Index>(i));
            elements.symbols.push_back(symbol);
        }
    }
    return elements;
}

template <typename Index>
std::vector<TextRange> balancedRuns(std::string_view text) {
    constexpr Index kNone = std::numeric_limits<Index>::max();
    const Elements<Index> elements = lexicalElements<Index>(text);
    const std::size_t count = elements.symbols.size();

    // closeOutside[k]: the element index of the first closing bracket that takes the depth
    // below its starting level when lexing starts at element k outside a string; kNone when the
    // text ends first. The same answer when starting inside a string is only ever needed one or
    // two elements ahead, so it rolls along in two values; starting just after a backslash at k
    // is the same as starting inside a string at k + 1.
    std::vector<Index> closeOutside(count + 1, kNone);
    Index insideNext = kNone;      // starting inside a string at k + 1
    Index insideAfterNext = kNone; // ... at k + 2
    for (std::size_t k = count; k-- > 0;) {
        Index inside = insideNext;
        switch (elements.symbols[k]) {
        case Symbol::open: {
            // The bracket opened here closes at `inner`; the level is left at the closer after it.
            const Index inner = closeOutside[k + 1];
            closeOutside[k] = inner == kNone ? kNone : closeOutside[static_cast<std::size_t>(inner) + 1];
            break;
        }
        case Symbol::close:
            closeOutside[k] = static_cast<Index>(k);
            break;
        case Symbol::quote:
            closeOutside[k] = insideNext;
            inside = closeOutside[k + 1];
            break;
        case Symbol::backslash:
            closeOutside[k] = closeOutside[k + 1];
            inside = insideAfterNext;
            break;
        case Symbol::other:
            closeOutside[k] = closeOutside[k + 1];
            break;
        }
        insideAfterNext = insideNext;
        insideNext = inside;
    }

    std::vector<TextRange> ranges;
    std::size_t resume = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t offset = elements.offsets[k];
        if (offset < resume || elements.symbols[k] != Symbol::open) continue;
        const Index closer = closeOutside[k + 1];
        if (closer == kNone) continue;
        const std::size_t end = static_cast<std::size_t>(elements.offsets[closer]) + 1;
        ranges.push_back({offset, end});
        if (end == text.size()) break;
        resume = end;
    }
    return ranges;
}

} // namespace

std::vector<TextRange> jsonRanges(std::string_view text) {
    // Narrow indices halve the memory of the tables for every text below 4 GiB.
    if (text.size() < std::numeric_limits<std::uint32_t>::max()) return balancedRuns<std::uint32_t>(text);
    return balancedRuns<std::size_t>(text);
}

} // namespace orvel
