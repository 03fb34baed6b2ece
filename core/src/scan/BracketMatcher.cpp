#include "scan/BracketMatcher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "orvel/Unicode.h"

namespace orvel {
namespace {

enum class Symbol : std::uint8_t { open, close, quote, backslash, other };

// The symbol of every byte, looked up rather than compared: most bytes of a log are `other`
// and the walk below skips them in a tight loop.
constexpr std::array<Symbol, 256> kSymbols = [] {
    std::array<Symbol, 256> symbols{};
    symbols.fill(Symbol::other);
    symbols['{'] = symbols['['] = Symbol::open;
    symbols['}'] = symbols[']'] = Symbol::close;
    symbols['"'] = Symbol::quote;
    symbols['\\'] = Symbol::backslash;
    return symbols;
}();

Symbol symbolOf(char c) { return kSymbols[static_cast<unsigned char>(c)]; }

// An ASCII byte is a character of its own unless a combining mark, joiner or prepended sign
// fuses it with a neighbour into one user-perceived character.
bool standsAlone(std::string_view text, std::size_t offset) {
    const auto isASCII = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) < 0x80; };
    const bool before = offset == 0 || isASCII(offset - 1) || Unicode::isGraphemeBoundary(text, offset);
    const bool after =
        offset + 1 == text.size() || isASCII(offset + 1) || Unicode::isGraphemeBoundary(text, offset + 1);
    return before && after;
}

// Calls visit(offset, symbol) for each element, in text order: the characters that can change
// the lexer's state, plus the character after each lone backslash (whatever it is, an escape
// consumes it). Elements are walked twice rather than stored with their offsets, which would
// take four bytes more each: a log's worth of them is tens of megabytes.
template <typename Visit>
void forEachElement(std::string_view text, Visit visit) {
    // A lone backslash is a character of its own, so the escaped character starts right after it.
    std::size_t escapedAt = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != escapedAt) {
            while (i < text.size() && symbolOf(text[i]) == Symbol::other) ++i;
            if (i == text.size()) return;
        }
        Symbol symbol = symbolOf(text[i]);
        if (symbol != Symbol::other && !standsAlone(text, i)) symbol = Symbol::other;
        if (symbol != Symbol::other || i == escapedAt) {
            visit(i, symbol);
            if (symbol == Symbol::backslash) escapedAt = i + 1;
        }
    }
}

template <typename Index>
std::vector<TextRange> balancedRuns(std::string_view text) {
    constexpr Index kNone = std::numeric_limits<Index>::max();
    std::vector<Symbol> symbols;
    forEachElement(text, [&](std::size_t, Symbol symbol) { symbols.push_back(symbol); });
    const std::size_t count = symbols.size();

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
        switch (symbols[k]) {
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

    // Walking left to right, an opener whose bracket closes yields the range to its closer, and
    // the walk resumes after that.
    std::vector<TextRange> ranges;
    std::size_t element = 0;
    Index closer = kNone; // the element that ends the range under way
    forEachElement(text, [&](std::size_t offset, Symbol symbol) {
        const std::size_t k = element++;
        if (closer != kNone) {
            if (k == closer) {
                ranges.back().end = offset + 1;
                closer = kNone;
            }
        } else if (symbol == Symbol::open && closeOutside[k + 1] != kNone) {
            closer = closeOutside[k + 1];
            ranges.push_back({offset, offset});
        }
    });
    return ranges;
}

} // namespace

std::vector<TextRange> jsonRanges(std::string_view text) {
    // Narrow indices halve the memory of the tables for every text below 4 GiB.
    if (text.size() < std::numeric_limits<std::uint32_t>::max()) return balancedRuns<std::uint32_t>(text);
    return balancedRuns<std::size_t>(text);
}

} // namespace orvel
