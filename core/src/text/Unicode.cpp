#include "orvel/Unicode.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/stringpiece.h>
#include <unicode/utext.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvel::Unicode {
namespace {

constexpr std::uint64_t highBits = 0x8080808080808080ULL;
constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";
constexpr std::string_view ellipsis = "\xE2\x80\xA6";

const unsigned char* bytesOf(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

/// Index of the first byte at or after `i` that is not ASCII, or `n`.
std::size_t nextNonASCII(const unsigned char* p, std::size_t i, std::size_t n) {
    // Most artifacts are ASCII: 64 bytes a step where there is SSE2, their top bits gathered at
    // once, then eight, keep validation off every profile.
#if defined(__SSE2__)
    const auto lanes = [&](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    while (n - i >= 64) {
        const __m128i any =
            _mm_or_si128(_mm_or_si128(lanes(i), lanes(i + 16)), _mm_or_si128(lanes(i + 32), lanes(i + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
        i += 64;
    }
    // Texts beyond ASCII are mostly ASCII still: the next such byte is found sixteen at a time.
    for (; n - i >= 16; i += 16) {
        if (const int high = _mm_movemask_epi8(lanes(i)); high != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
        }
    }
#endif
    while (n - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if ((word & highBits) != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                return i + static_cast<std::size_t>(std::countr_zero(word & highBits)) / 8;
            } else {
                break;
            }
        }
        i += 8;
    }
    while (i < n && p[i] < 0x80) {
        ++i;
    }
    return i;
}

struct Step {
    std::size_t length; ///< the whole sequence when valid, else its maximal subpart (at least 1)
    bool valid;
};

/// Reads one sequence starting with a non-ASCII byte. The per-lead ranges of the second byte
/// are what exclude overlongs (E0, F0), surrogates (ED) and code points above U+10FFFF (F4);
/// stopping at the first byte outside its range yields the maximal subpart ICU and WHATWG
/// decoders replace with one U+FFFD.
Step step(const unsigned char* p, std::size_t n) {
    const unsigned char lead = p[0];
    std::size_t trail = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
    } else if (lead == 0xE0) {
        trail = 2;
        low = 0xA0;
    } else if (lead == 0xED) {
        trail = 2;
        high = 0x9F;
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        trail = 2;
    } else if (lead == 0xF0) {
        trail = 3;
        low = 0x90;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        trail = 3;
    } else if (lead == 0xF4) {
        trail = 3;
        high = 0x8F;
    } else {
        return {1, false}; // a stray continuation byte, C0, C1 or F5...FF
    }
    if (n < 2 || p[1] < low || p[1] > high) {
        return {1, false};
    }
    for (std::size_t k = 2; k <= trail; ++k) {
        if (k >= n || (p[k] & 0xC0) != 0x80) {
            return {k, false};
        }
    }
    return {trail + 1, true};
}

// ---------------------------------------------------------------------------------------------
// Grapheme clusters

struct Cut {
    std::size_t clusters = 0;
    std::size_t bytes = 0; ///< where the last counted cluster ends
};

/// ICU's character break iterator for this thread. Building one loads and compiles rule data,
/// so one is built per process and cloned once per thread (clone() on a const iterator is safe).
icu::BreakIterator* characterIterator() {
    static const std::unique_ptr<const icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            made.reset();
        }
        return std::unique_ptr<const icu::BreakIterator>(std::move(made));
    }();
    thread_local const std::unique_ptr<icu::BreakIterator> local(prototype ? prototype->clone() : nullptr);
    return local.get();
}

/// Code points stand in for clusters only if ICU cannot give us an iterator at all.
Cut codePointClusters(const unsigned char* p, std::size_t from, std::size_t to, std::size_t budget) {
    Cut cut{0, from};
    for (std::size_t k = from; k < to && cut.clusters < budget;) {
        ++k;
        while (k < to && (p[k] & 0xC0) == 0x80) {
            ++k;
        }
        ++cut.clusters;
        cut.bytes = k;
    }
    return cut;
}

/// Clusters of text[from, to), both ends being boundaries of the whole text, at most `budget`.
Cut icuClusters(std::string_view text, std::size_t from, std::size_t to, std::size_t budget) {
    icu::BreakIterator* iterator = characterIterator();
    // The iterator reports int32_t offsets; no text we accept comes near that size.
    if (iterator == nullptr || to - from > static_cast<std::size_t>(INT32_MAX)) {
        return codePointClusters(bytesOf(text), from, to, budget);
    }
    UErrorCode status = U_ZERO_ERROR;
    UText ut = UTEXT_INITIALIZER;
    // Straight over the UTF-8 bytes: offsets come back as byte offsets and nothing is copied.
    utext_openUTF8(&ut, text.data() + from, static_cast<std::int64_t>(to - from), &status);
    if (U_SUCCESS(status)) {
        iterator->setText(&ut, status);
    }
    if (U_FAILURE(status)) {
        utext_close(&ut);
        return codePointClusters(bytesOf(text), from, to, budget);
    }
    Cut cut{0, from};
    iterator->first();
    while (cut.clusters < budget) {
        const std::int32_t boundary = iterator->next();
        if (boundary == icu::BreakIterator::DONE) {
            break;
        }
        ++cut.clusters;
        cut.bytes = from + static_cast<std::size_t>(boundary);
    }
    utext_close(&ut);
    return cut;
}

/// Counts up to `budget` clusters from the start of `text`.
///
/// Two ASCII bytes always have a boundary between them except CR LF, so ICU only sees regions
/// around non-ASCII stretches. A region starts at the ASCII byte before the stretch (a combining
/// mark or ZWJ joins it), or at the CR of a CR LF there, and ends where two ASCII bytes other
/// than CR LF meet, or just after a CR LF. Both ends are boundaries, and an ASCII byte before
/// either end cuts every rule that looks back (emoji ZWJ sequences, regional-indicator pairs),
/// so ICU's answer on the region equals its answer on the whole text.
Cut advance(std::string_view text, std::size_t budget) {
    const unsigned char* p = bytesOf(text);
    const std::size_t n = text.size();
    Cut cut;
    std::size_t i = 0; // a boundary, preceded by an ASCII byte or the start of the text
    while (i < n && cut.clusters < budget) {
        const std::size_t stretch = nextNonASCII(p, i, n);
        std::size_t regionStart = stretch;
        if (stretch < n && regionStart > i) {
            --regionStart;
            if (regionStart > i && p[regionStart] == '\n' && p[regionStart - 1] == '\r') {
                --regionStart;
            }
        }

        // ASCII clusters in [i, regionStart).
        const std::size_t asciiBytes = regionStart - i;
        if (budget - cut.clusters >= asciiBytes) {
            std::size_t joined = 0;
            const void* from = p + i + 1;
            std::size_t left = asciiBytes > 0 ? asciiBytes - 1 : 0;
            while (left > 0) {
                const auto* lf = static_cast<const unsigned char*>(std::memchr(from, '\n', left));
                if (lf == nullptr) {
                    break;
                }
                joined += lf[-1] == '\r' ? 1 : 0;
                left -= static_cast<std::size_t>(lf + 1 - static_cast<const unsigned char*>(from));
                from = lf + 1;
            }
            cut.clusters += asciiBytes - joined;
            cut.bytes = regionStart;
        } else {
            std::size_t k = i;
            while (k < regionStart && cut.clusters < budget) {
                k += (p[k] == '\r' && k + 1 < regionStart && p[k + 1] == '\n') ? 2 : 1;
                ++cut.clusters;
                cut.bytes = k;
            }
        }
        if (regionStart == n || cut.clusters >= budget) {
            break;
        }

        std::size_t regionEnd = stretch;
        while (true) {
            while (regionEnd < n && p[regionEnd] >= 0x80) {
                ++regionEnd;
            }
            if (regionEnd + 1 >= n) {
                regionEnd = n;
                break;
            }
            if (p[regionEnd + 1] >= 0x80) {
                ++regionEnd; // one ASCII byte between two stretches: keep going
                continue;
            }
            regionEnd += (p[regionEnd] == '\r' && p[regionEnd + 1] == '\n') ? 2 : 1;
            break;
        }
        const Cut region = icuClusters(text, regionStart, regionEnd, budget - cut.clusters);
        cut.clusters += region.clusters;
        if (region.clusters > 0) {
            cut.bytes = region.bytes;
        }
        i = regionEnd;
    }
    return cut;
}

// ---------------------------------------------------------------------------------------------
// Normalisation

const icu::Normalizer2* nfcNormalizer() {
    static const icu::Normalizer2* const instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* made = icu::Normalizer2::getNFCInstance(status);
        return U_SUCCESS(status) ? made : nullptr;
    }();
    return instance;
}

/// Is valid UTF-8 `text` already in NFC? The quick check settles nearly every real text
/// without building a copy.
bool isNFC(const icu::Normalizer2& normalizer, std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const bool normalized =
        normalizer.isNormalizedUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())), status);
    return U_SUCCESS(status) && normalized;
}

/// NFC of valid UTF-8 `text`; `text` itself if ICU cannot normalise it.
std::string normalizeValid(const icu::Normalizer2& normalizer, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    normalizer.normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())), sink, nullptr,
                             status);
    return U_SUCCESS(status) ? out : std::string(text);
}

bool fitsStringPiece(std::string_view text) {
    return text.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

} // namespace

bool isASCII(std::string_view bytes) {
    // Most texts asked about are ASCII throughout: one test at the end costs less than one a
    // step (sixteen bytes with SSE2, then eight), and the last word, read overlapping the one
    // before, spares a loop over the tail.
    const unsigned char* p = bytesOf(bytes);
    const std::size_t n = bytes.size();
    const auto word = [&](std::size_t at) {
        std::uint64_t bits;
        std::memcpy(&bits, p + at, sizeof bits);
        return bits;
    };
    std::uint64_t seen = 0;
    if (n >= 8) {
        std::size_t i = 0;
#if defined(__SSE2__)
        __m128i lanes = _mm_setzero_si128();
        for (; i + 16 < n; i += 16)
            lanes = _mm_or_si128(lanes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (_mm_movemask_epi8(lanes) != 0) return false;
#endif
        for (; i + 8 < n; i += 8) seen |= word(i);
        seen |= word(n - 8);
    } else {
        for (std::size_t i = 0; i < n; ++i) seen |= p[i];
    }
    return (seen & highBits) == 0;
}

bool isValidUTF8(std::string_view bytes) {
    const unsigned char* p = bytesOf(bytes);
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (true) {
        i = nextNonASCII(p, i, n);
        if (i == n) {
            return true;
        }
        const Step s = step(p + i, n - i);
        if (!s.valid) {
            return false;
        }
        i += s.length;
    }
}

std::string toValidUTF8(std::string_view bytes) {
    if (isValidUTF8(bytes)) {
        return std::string(bytes);
    }
    const unsigned char* p = bytesOf(bytes);
    const std::size_t n = bytes.size();
    std::string out;
    out.reserve(n + n / 2);
    std::size_t copied = 0; // bytes.substr(copied, i - copied) is valid and not yet appended
    std::size_t i = 0;
    while (true) {
        i = nextNonASCII(p, i, n);
        if (i == n) {
            break;
        }
        const Step s = step(p + i, n - i);
        if (!s.valid) {
            out.append(bytes.substr(copied, i - copied));
            out.append(replacementCharacter);
            copied = i + s.length;
        }
        i += s.length;
    }
    out.append(bytes.substr(copied));
    return out;
}

void appendUTF8(std::string& out, char32_t scalar) {
    const auto byte = [&out](std::uint32_t bits) { out += static_cast<char>(bits); };
    const auto c = static_cast<std::uint32_t>(scalar);
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | c >> 6);
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | c >> 12);
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | c >> 18);
        byte(0x80 | (c >> 12 & 0x3F));
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

std::string utf8(char32_t scalar) {
    std::string out;
    appendUTF8(out, scalar);
    return out;
}

std::size_t graphemeCount(std::string_view text) {
    return advance(text, std::numeric_limits<std::size_t>::max()).clusters;
}

bool isGraphemeBoundary(std::string_view text, std::size_t offset) {
    if (offset == 0 || offset == text.size()) {
        return true;
    }
    if (offset > text.size()) {
        return false;
    }
    const unsigned char* p = bytesOf(text);
    if (p[offset - 1] < 0x80 && p[offset] < 0x80) {
        return !(p[offset - 1] == '\r' && p[offset] == '\n');
    }
    icu::BreakIterator* iterator = characterIterator();
    if (iterator == nullptr || text.size() > static_cast<std::size_t>(INT32_MAX)) {
        return (p[offset] & 0xC0) != 0x80;
    }
    // ICU backs up only to a nearby safe point and works forward from there, so a call costs
    // the same on a large text as on a short one; the UText spans the whole text without a copy.
    UErrorCode status = U_ZERO_ERROR;
    UText ut = UTEXT_INITIALIZER;
    utext_openUTF8(&ut, text.data(), static_cast<std::int64_t>(text.size()), &status);
    if (U_SUCCESS(status)) {
        iterator->setText(&ut, status);
    }
    const bool boundary =
        U_SUCCESS(status) ? iterator->isBoundary(static_cast<std::int32_t>(offset)) : (p[offset] & 0xC0) != 0x80;
    utext_close(&ut);
    return boundary;
}

bool isWholeCharacter(std::string_view text, std::size_t offset) {
    return offset < text.size() && isGraphemeBoundary(text, offset) && isGraphemeBoundary(text, offset + 1);
}

std::string_view graphemePrefix(std::string_view text, std::size_t count) {
    return text.substr(0, advance(text, count).bytes);
}

std::string truncated(std::string_view text, std::size_t limit) {
    const Cut cut = advance(text, limit);
    if (cut.bytes == text.size()) {
        return std::string(text);
    }
    std::string out;
    out.reserve(cut.bytes + ellipsis.size());
    out.append(text.substr(0, cut.bytes));
    out.append(ellipsis);
    return out;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    // ASCII is in NFC, and two different texts in NFC are not equivalent.
    if (isASCII(a) && isASCII(b)) {
        return false;
    }
    const icu::Normalizer2* normalizer = nfcNormalizer();
    if (normalizer == nullptr || !fitsStringPiece(a) || !fitsStringPiece(b)) {
        return false;
    }
    const bool aValid = isValidUTF8(a);
    const bool bValid = isValidUTF8(b);
    // Two different texts that are both in NFC are not equivalent: no copies needed.
    if (aValid && bValid && isNFC(*normalizer, a) && isNFC(*normalizer, b)) {
        return false;
    }
    return nfc(a) == nfc(b);
}

std::string nfc(std::string_view text) {
    const icu::Normalizer2* normalizer = nfcNormalizer();
    std::string valid;
    std::string_view source = text;
    if (!isValidUTF8(text)) {
        valid = toValidUTF8(text);
        source = valid;
    }
    if (normalizer == nullptr || !fitsStringPiece(source) || isNFC(*normalizer, source)) {
        return std::string(source);
    }
    return normalizeValid(*normalizer, source);
}

std::size_t canonicalHash(std::string_view text) {
    // Exactly the hash of nfc(text), which is `text` itself in these cases: ASCII is always in
    // NFC, and asking ICU costs more than the hash.
    if (isASCII(text)) return std::hash<std::string_view>{}(text);
    const icu::Normalizer2* normalizer = nfcNormalizer();
    if (isValidUTF8(text) && (normalizer == nullptr || !fitsStringPiece(text) || isNFC(*normalizer, text))) {
        return std::hash<std::string_view>{}(text);
    }
    return std::hash<std::string_view>{}(nfc(text));
}

} // namespace orvel::Unicode
