#include "scan/CandidatePrefilter.h"

#include "scan/ClassRuns.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <hs.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace orvel {
namespace {

using Patterns::Id;

// The patterns in the order of their windows.
constexpr std::array<Id, 9> kSources{Id::scanPEM,  Id::scanPasswordHash, Id::scanJWT,
                                     Id::scanUUID, Id::scanQueryString,  Id::scanBase64,
                                     Id::scanHex,  Id::scanMilliseconds, Id::scanSeconds};

constexpr std::size_t sourceIndex(Id id) {
    return static_cast<std::size_t>(std::find(kSources.begin(), kSources.end(), id) - kSources.begin());
}

// ---------------------------------------------------------------------------------------------
// Signatures that are short literals, found by Vectorscan in one pass. Only literals: with the
// class runs below among its expressions the database took 170 ms to compile, once per process,
// and the pass about 4 ns a byte. And "&[A-Za-z_][A-Za-z0-9_.]*=" (literal, class run, literal)
// missed a match near the end of a 4 KB log in 212 of 256 placements of the text in memory
// (Vectorscan 5.4.9), where sets of plain literals found every match in every placement.

struct LiteralSignature {
    const char* expression; ///< Vectorscan syntax, over bytes
    Id pattern;
};

constexpr std::array<LiteralSignature, 4> kLiteralSignatures{{
    {"-----BEGIN", Id::scanPEM},
    {R"(\$(?:2[abxy]|[1567]|y|argon2|scrypt|pbkdf2))", Id::scanPasswordHash},
    {"eyJ", Id::scanJWT},
    {"&[A-Za-z_]", Id::scanQueryString},
}};

struct DatabaseDeleter {
    void operator()(hs_database_t* database) const { hs_free_database(database); }
};

// Compiled once for the process; null where Vectorscan cannot run (it needs SSSE3).
const hs_database_t* literalDatabase() {
    static const std::unique_ptr<hs_database_t, DatabaseDeleter> compiled([]() -> hs_database_t* {
        if (hs_valid_platform() != HS_SUCCESS) return nullptr;
        std::array<const char*, kLiteralSignatures.size()> expressions{};
        std::array<unsigned, kLiteralSignatures.size()> flags{};
        std::array<unsigned, kLiteralSignatures.size()> ids{};
        for (std::size_t i = 0; i < kLiteralSignatures.size(); ++i) {
            expressions[i] = kLiteralSignatures[i].expression;
            ids[i] = static_cast<unsigned>(i);
        }
        hs_database_t* database = nullptr;
        hs_compile_error_t* error = nullptr;
        if (hs_compile_multi(expressions.data(), flags.data(), ids.data(),
                             static_cast<unsigned>(kLiteralSignatures.size()), HS_MODE_BLOCK, nullptr, &database,
                             &error) != HS_SUCCESS) {
            hs_free_compile_error(error);
            return nullptr;
        }
        return database;
    }());
    return compiled.get();
}

// Scratch space is per thread, since scans may run on several at once.
class Scratch {
public:
    ~Scratch() { hs_free_scratch(m_scratch); }
    hs_scratch_t* forDatabase(const hs_database_t* database) {
        if (hs_alloc_scratch(database, &m_scratch) != HS_SUCCESS) return nullptr;
        return m_scratch;
    }

private:
    hs_scratch_t* m_scratch = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Signatures that are long runs of one byte class.

struct ClassSignature {
    Id pattern;
    RunClass members;
    std::size_t length; ///< the shortest run of `members` every match of `pattern` holds
};

// Every UUID ends in a group of twelve hex digits.
constexpr std::array<ClassSignature, 5> kClassSignatures{{
    {Id::scanUUID, RunClass::hex, 12},
    {Id::scanBase64, RunClass::base64, 24},
    {Id::scanHex, RunClass::hex, 16},
    {Id::scanMilliseconds, RunClass::digits, 13},
    {Id::scanSeconds, RunClass::digits, 10},
}};

// ---------------------------------------------------------------------------------------------
// The characters beyond ASCII in ICU's \d, by their first two UTF-8 bytes: a match of \d{10}
// that is not ten ASCII digits holds one of them. Looked up in a table for each byte that leads
// a sequence: as an alternation of byte pairs among Vectorscan's literals they doubled its pass.

// Bit (second & 0x3F) of row (lead & 0x3F): a digit beyond ASCII starts with lead, second.
using LeadPairs = std::array<std::uint64_t, 64>;

const LeadPairs& digitsBeyondASCII() {
    static const LeadPairs pairs = [] {
        LeadPairs rows{};
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeSet digits(icu::UnicodeString(u"[[:Nd:]-[0-9]]"), status);
        for (std::int32_t range = 0; U_SUCCESS(status) && range < digits.getRangeCount(); ++range) {
            for (UChar32 c = digits.getRangeStart(range); c <= digits.getRangeEnd(range); ++c) {
                std::uint8_t bytes[U8_MAX_LENGTH];
                std::int32_t length = 0;
                U8_APPEND_UNSAFE(bytes, length, c);
                rows[bytes[0] & 0x3F] |= std::uint64_t{1} << (bytes[1] & 0x3F);
            }
        }
        return rows;
    }();
    return pairs;
}

// Bit i: byte i of the `count` bytes at `bytes` (at most 64) leads a sequence, its top two bits set.
std::uint64_t leadBytes(const char* bytes, std::size_t count) {
    std::uint64_t bits = 0;
#if defined(__x86_64__) || defined(_M_X64)
    if (count == 64) {
        for (std::size_t lane = 0; lane < count; lane += 16) {
            __m128i x;
            std::memcpy(&x, bytes + lane, sizeof x);
            const int both = _mm_movemask_epi8(x) & _mm_movemask_epi8(_mm_add_epi8(x, x));
            bits |= std::uint64_t{static_cast<std::uint16_t>(both)} << lane;
        }
        return bits;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) bits |= std::uint64_t{static_cast<unsigned char>(bytes[i]) >= 0xC0} << i;
    return bits;
}

// Calls found(at) with the second byte of each digit beyond ASCII, in text order.
template <typename Found>
void forEachDigitBeyondASCII(std::string_view text, Found found) {
    const LeadPairs& pairs = digitsBeyondASCII();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t at = 0; at < text.size(); at += 64) {
        for (std::uint64_t leads = leadBytes(text.data() + at, std::min<std::size_t>(64, text.size() - at)); leads != 0;
             leads &= leads - 1) {
            const std::size_t lead = at + static_cast<std::size_t>(std::countr_zero(leads));
            if (lead + 1 < text.size() && ((pairs[byte(lead) & 0x3F] >> (byte(lead + 1) & 0x3F)) & 1) != 0) {
                found(lead + 1);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------

// A signature ends at byte `at`: the run around it is a window, unless the last one holds it.
void addWindow(std::vector<TextRange>& windows, std::string_view text, std::size_t at) {
    if (windows.empty() || at >= windows.back().end) windows.push_back(runAround(text, at));
}

struct LiteralWindows {
    std::string_view text;
    std::array<std::vector<TextRange>, kSources.size()>& windows;
};

int onLiteralSignature(unsigned int index, unsigned long long, unsigned long long end, unsigned int, void* context) {
    const auto& [text, windows] = *static_cast<LiteralWindows*>(context);
    addWindow(windows[sourceIndex(kLiteralSignatures[index].pattern)], text, static_cast<std::size_t>(end) - 1);
    return 0;
}

} // namespace

CandidatePrefilter::CandidatePrefilter(std::string_view text) : m_text(text) {
    static_assert(kPatterns == kSources.size());
    const hs_database_t* literals = literalDatabase();
    if (literals == nullptr || text.size() > std::numeric_limits<unsigned int>::max()) return;
    if (!text.empty()) {
        thread_local Scratch scratch;
        hs_scratch_t* space = scratch.forDatabase(literals);
        LiteralWindows found{text, m_literalWindows};
        if (space == nullptr || hs_scan(literals, text.data(), static_cast<unsigned int>(text.size()), 0, space,
                                        &onLiteralSignature, &found) != HS_SUCCESS) {
            return;
        }
        forEachDigitBeyondASCII(text, [&](std::size_t at) {
            for (const Id pattern : {Id::scanMilliseconds, Id::scanSeconds})
                addWindow(m_literalWindows[sourceIndex(pattern)], text, at);
        });
    }
    m_ready = true;
}

bool CandidatePrefilter::forEachWindow(Id id, const std::function<void(const TextRange&)>& window) const {
    const std::size_t index = sourceIndex(id);
    if (!m_ready || index == kSources.size()) return false;
    // Windows are whole runs, so two of them are the same or apart; the literal windows and those
    // of the class runs, each in text order, are merged.
    const std::vector<TextRange>& literal = m_literalWindows[index];
    auto next = literal.begin();
    TextRange last{};
    const auto hand = [&](const TextRange& stretch) {
        if (stretch.end > last.end) window(stretch);
        last = stretch;
    };
    const auto signature = std::find_if(kClassSignatures.begin(), kClassSignatures.end(),
                                        [&](const ClassSignature& candidate) { return candidate.pattern == id; });
    if (signature != kClassSignatures.end()) {
        forEachRunHolding(m_text, signature->members, signature->length, [&](const TextRange& stretch) {
            while (next != literal.end() && next->begin <= stretch.begin) hand(*next++);
            hand(stretch);
        });
    }
    while (next != literal.end()) hand(*next++);
    return true;
}

} // namespace orvel
