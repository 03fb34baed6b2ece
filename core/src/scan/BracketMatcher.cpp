#include "scan/BracketMatcher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVEL_BRACKETS_SSE2 1
#endif

#include "orvel/Unicode.h"

namespace orvel {
namespace {

enum class Symbol : std::uint8_t { open, close, quote, backslash, other };

// The symbol of every byte, looked up rather than compared.
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

// The walks stop only at the bytes that may be symbols, found 64 at a time: a log is mostly
// `other` bytes.
constexpr std::size_t kBlock = 64;

// Where a walk stops: at brackets, or also at the quotes and backslashes that shape strings.
enum class Stops { brackets, symbols };

// Bit i: byte i of the `count` bytes at `bytes` (at most a block) is one of `stops`.
template <Stops stops>
std::uint64_t stopsIn(const char* bytes, std::size_t count) {
    std::uint64_t bits = 0;
#ifdef ORVEL_BRACKETS_SSE2
    if (count == kBlock) {
        for (std::size_t lane = 0; lane < kBlock; lane += 16) {
            __m128i x;
            std::memcpy(&x, bytes + lane, sizeof x);
            // "[" and "{", "]" and "}" differ in bit 5 alone, and no other byte folds onto them.
            const __m128i folded = _mm_or_si128(x, _mm_set1_epi8(0x20));
            __m128i found =
                _mm_or_si128(_mm_cmpeq_epi8(folded, _mm_set1_epi8('{')), _mm_cmpeq_epi8(folded, _mm_set1_epi8('}')));
            if constexpr (stops == Stops::symbols) {
                found = _mm_or_si128(
                    found, _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\\'))));
            }
            bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(found))} << lane;
        }
        return bits;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        const Symbol symbol = symbolOf(bytes[i]);
        const bool bracket = symbol == Symbol::open || symbol == Symbol::close;
        bits |= std::uint64_t{bracket || (stops == Stops::symbols && symbol != Symbol::other)} << i;
    }
    return bits;
}

// Calls stop(offset) at each byte of `stops`, in text order.
template <Stops stops, typename Stop>
void forEachStop(std::string_view text, Stop stop) {
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        for (std::uint64_t bits = stopsIn<stops>(text.data() + at, std::min(kBlock, text.size() - at)); bits != 0;
             bits &= bits - 1) {
            stop(at + static_cast<std::size_t>(std::countr_zero(bits)));
        }
    }
}

// Calls stop(offset) at each byte of `stops`, from the end of the text back.
template <Stops stops, typename Stop>
void forEachStopBackwards(std::string_view text, Stop stop) {
    for (std::size_t end = text.size(); end > 0;) {
        const std::size_t at = end > kBlock ? end - kBlock : 0;
        for (std::uint64_t bits = stopsIn<stops>(text.data() + at, end - at); bits != 0;) {
            const auto top = static_cast<std::size_t>(63 - std::countl_zero(bits));
            bits ^= std::uint64_t{1} << top;
            stop(at + top);
        }
        end = at;
    }
}

// Calls visit(offset, symbol) for each element, from the end of the text back: the characters
// that can change the lexer's state, plus the character after each lone backslash (whatever it
// is, an escape consumes it). A lone backslash is a character of its own, so the escaped
// character starts right after it. Nothing is stored: a log's worth of elements is megabytes.
template <typename Visit>
void forEachElementBackwards(std::string_view text, Visit visit) {
    forEachStopBackwards<Stops::symbols>(text, [&](std::size_t i) {
        const bool alone = standsAlone(text, i);
        if (alone && text[i] == '\\' && i + 1 < text.size() && symbolOf(text[i + 1]) == Symbol::other) {
            visit(i + 1, Symbol::other);
        }
        if (alone) {
            visit(i, symbolOf(text[i]));
        } else if (i > 0 && text[i - 1] == '\\' && standsAlone(text, i - 1)) {
            visit(i, Symbol::other);
        }
    });
}

// Calls visit(offset, symbol) for each bracket element, in text order.
template <typename Visit>
void forEachBracket(std::string_view text, Visit visit) {
    forEachStop<Stops::brackets>(text, [&](std::size_t i) {
        if (standsAlone(text, i)) visit(i, symbolOf(text[i]));
    });
}

template <typename Index>
std::vector<TextRange> balancedRuns(std::string_view text) {
    constexpr Index kNone = std::numeric_limits<Index>::max();
    // Lexing from element k outside a string, the first closing bracket that takes the depth
    // below its starting level, if any, is closeOutside(k). Closing brackets are numbered from the
    // end of the text, and of all the answers only two kinds are kept, in one table sized by
    // counting the brackets first: from its start, closeOutside(k + 1) for each closer k, which an
    // opener to its left needs to see past the bracket it closes; from its end, for each opener k
    // where its own bracket closes. The other answers roll along: starting outside at k + 1,
    // inside a string at k + 1 or k + 2; starting just after a backslash at k is the same as
    // starting inside a string at k + 1.
    std::size_t brackets = 0; // fused with a neighbour or not: a bound
    forEachStop<Stops::brackets>(text, [&](std::size_t) { ++brackets; });
    const auto table = std::make_unique_for_overwrite<Index[]>(brackets);
    std::size_t closers = 0;
    std::size_t openers = 0;
    Index outsideNext = kNone;
    Index insideNext = kNone;
    Index insideAfterNext = kNone;
    forEachElementBackwards(text, [&](std::size_t, Symbol symbol) {
        Index outside = outsideNext;
        Index inside = insideNext;
        switch (symbol) {
        case Symbol::open:
            // The bracket opened here closes at outsideNext; the level is left at the closer after it.
            table[brackets - ++openers] = outsideNext;
            outside = outsideNext == kNone ? kNone : table[outsideNext];
            break;
        case Symbol::close:
            table[closers] = outsideNext;
            outside = static_cast<Index>(closers++);
            break;
        case Symbol::quote:
            outside = insideNext;
            inside = outsideNext;
            break;
        case Symbol::backslash:
            inside = insideAfterNext;
            break;
        case Symbol::other:
            break;
        }
        insideAfterNext = insideNext;
        insideNext = inside;
        outsideNext = outside;
    });

    // Walking left to right, an opener whose bracket closes yields the range to its closer, and
    // the walk resumes after that. The walk no longer needs the closers' part of the table and
    // reads the openers' part in order, so the ranges found so far fit before the first opener
    // not yet read: every range takes one closer and one opener. There they wait until their
    // count is known, and the list returned is allocated once, at its exact size.
    std::size_t opener = brackets - openers;
    std::size_t closer = closers;
    std::size_t found = 0;
    Index ends = kNone; // the closer that ends the range under way
    forEachBracket(text, [&](std::size_t offset, Symbol symbol) {
        if (symbol == Symbol::open) {
            const Index closes = table[opener++];
            if (ends == kNone && closes != kNone) {
                ends = closes;
                table[2 * found] = static_cast<Index>(offset);
            }
        } else if (--closer == ends) {
            table[2 * found++ + 1] = static_cast<Index>(offset + 1);
            ends = kNone;
        }
    });
    std::vector<TextRange> ranges(found);
    for (std::size_t i = 0; i < found; ++i) ranges[i] = {table[2 * i], table[2 * i + 1]};
    return ranges;
}

} // namespace

std::vector<TextRange> jsonRanges(std::string_view text) {
    // Narrow indices halve the memory of the tables for every text below 4 GiB.
    if (text.size() < std::numeric_limits<std::uint32_t>::max()) return balancedRuns<std::uint32_t>(text);
    return balancedRuns<std::size_t>(text);
}

} // namespace orvel
