#include "scan/ClassRuns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVEL_CLASS_RUNS_SSE2 1
#endif

// A log is mostly letters and digits, so long runs of a class are found by classifying every
// byte: 64 at a time into two bit masks (members, white space), where a run of `length` members
// shows as a handful of shifts and ANDs and white space as a bit scan.

namespace orvel {
namespace {

constexpr std::size_t kBlock = 64;

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

template <RunClass Members>
bool isMember(unsigned char c) {
    const bool digit = c >= '0' && c <= '9';
    const auto folded = static_cast<unsigned char>(c | 0x20); // a letter in lower case, no other byte in a-z
    if constexpr (Members == RunClass::digits) {
        return digit;
    } else if constexpr (Members == RunClass::hex) {
        return digit || (folded >= 'a' && folded <= 'f');
    } else {
        return digit || (folded >= 'a' && folded <= 'z') || c == '+' || c == '/' || c == '_' || c == '-';
    }
}

// Bit i stands for byte i of a block.
struct BlockMasks {
    std::uint64_t members = 0;
    std::uint64_t spaces = 0;
};

// The masks of `count` bytes (at most a block), one byte at a time.
template <RunClass Members>
BlockMasks classifyEach(const char* bytes, std::size_t count) {
    BlockMasks masks;
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        masks.members |= std::uint64_t{isMember<Members>(c)} << i;
        masks.spaces |= std::uint64_t{isSpace(c)} << i;
    }
    return masks;
}

#ifdef ORVEL_CLASS_RUNS_SSE2
// The lanes of `x` from `low` to `high`: moved so that the range starts at -128, one signed compare.
__m128i inRange(__m128i x, char low, char high) {
    const __m128i moved = _mm_add_epi8(x, _mm_set1_epi8(static_cast<char>(-128 - low)));
    return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + (high - low) + 1)));
}

template <RunClass Members>
__m128i membersOf(__m128i x) {
    const __m128i digits = inRange(x, '0', '9');
    if constexpr (Members == RunClass::digits) return digits;
    const __m128i folded = _mm_or_si128(x, _mm_set1_epi8(0x20));
    if constexpr (Members == RunClass::hex) return _mm_or_si128(digits, inRange(folded, 'a', 'f'));
    const auto is = [&](char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
    return _mm_or_si128(_mm_or_si128(digits, inRange(folded, 'a', 'z')),
                        _mm_or_si128(_mm_or_si128(is('+'), is('/')), _mm_or_si128(is('_'), is('-'))));
}

__m128i spacesOf(__m128i x) { return _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(' ')), inRange(x, '\t', '\r')); }

template <RunClass Members>
BlockMasks classifyBlock(const char* bytes) {
    const auto bits = [](__m128i lanes) { return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(lanes))}; };
    BlockMasks masks;
    for (std::size_t lane = 0; lane < kBlock; lane += 16) {
        __m128i x;
        std::memcpy(&x, bytes + lane, sizeof x);
        masks.members |= bits(membersOf<Members>(x)) << lane;
        masks.spaces |= bits(spacesOf(x)) << lane;
    }
    return masks;
}
#endif

// The masks of the block of `text` at `at`, short at the end of the text.
template <RunClass Members>
BlockMasks classify(std::string_view text, std::size_t at) {
#ifdef ORVEL_CLASS_RUNS_SSE2
    if (text.size() - at >= kBlock) return classifyBlock<Members>(text.data() + at);
#endif
    return classifyEach<Members>(text.data() + at, std::min(kBlock, text.size() - at));
}

std::size_t lowest(std::uint64_t bits) { return static_cast<std::size_t>(std::countr_zero(bits)); }
std::size_t highest(std::uint64_t bits) { return 63 - static_cast<std::size_t>(std::countl_zero(bits)); }

// Bit i of next(members): bytes i - length + 1 to i are all members, counting back into the
// blocks before. Runs double: 2k members end at i where k end at i and k more end k bytes back.
class RunEnds {
public:
    explicit RunEnds(std::size_t length) : m_length(length) {
        while (m_top * 2 <= length) m_top *= 2;
    }

    std::uint64_t next(std::uint64_t members) {
        std::uint64_t ends = members;
        std::size_t level = 0;
        for (std::size_t run = 1; run < m_top; run *= 2) ends = extend(ends, level++, run);
        return m_length > m_top ? extend(ends, level, m_length - m_top) : ends;
    }

private:
    // Where runs ending at `ends` also end `by` bytes back (1 to 63), with the block before.
    std::uint64_t extend(std::uint64_t ends, std::size_t level, std::size_t by) {
        const std::uint64_t back = ends << by | m_before[level] >> (kBlock - by);
        m_before[level] = ends;
        return ends & back;
    }

    std::size_t m_length;
    std::size_t m_top = 1;                   ///< the largest power of two up to m_length
    std::array<std::uint64_t, 7> m_before{}; ///< each level's ends in the block before
};

template <RunClass Members>
void forEachRunOf(std::string_view text, std::size_t length, const std::function<void(const TextRange&)>& found) {
    RunEnds ends(length);
    std::size_t runStart = 0; // where the white-space-free run under way starts
    bool holding = false;     // it holds `length` members in a row: found at its end
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        const BlockMasks masks = classify<Members>(text, at);
        std::uint64_t hits = ends.next(masks.members);
        std::uint64_t spaces = masks.spaces;
        // Hits and white space in text order: the first hit of a run marks it, white space ends it.
        while (true) {
            if (holding) {
                if (spaces == 0) break;
                const std::size_t end = lowest(spaces);
                found({runStart, at + end});
                holding = false;
                runStart = at + end + 1;
                const std::uint64_t later = ~std::uint64_t{1} << end;
                hits &= later;
                spaces &= later;
            }
            if (hits == 0) {
                if (spaces != 0) runStart = at + highest(spaces) + 1;
                break;
            }
            const std::uint64_t before = (std::uint64_t{1} << lowest(hits)) - 1;
            if ((spaces & before) != 0) runStart = at + highest(spaces & before) + 1;
            spaces &= ~before;
            holding = true;
        }
    }
    if (holding) found({runStart, text.size()});
}

} // namespace

void forEachRunHolding(std::string_view text, RunClass members, std::size_t length,
                       const std::function<void(const TextRange&)>& found) {
    switch (members) {
    case RunClass::base64:
        return forEachRunOf<RunClass::base64>(text, length, found);
    case RunClass::hex:
        return forEachRunOf<RunClass::hex>(text, length, found);
    case RunClass::digits:
        return forEachRunOf<RunClass::digits>(text, length, found);
    }
}

TextRange runAround(std::string_view text, std::size_t at) {
    const auto isSpaceAt = [&](std::size_t i) { return isSpace(static_cast<unsigned char>(text[i])); };
    std::size_t begin = at;
    while (begin > 0 && !isSpaceAt(begin - 1)) --begin;
    std::size_t end = at + 1;
    while (end < text.size() && !isSpaceAt(end)) ++end;
    return {begin, end};
}

} // namespace orvel
