#include "scan/CandidatePrefilter.h"

#include "scan/ClassRuns.h"
#include "scan/LiteralSignatures.h"

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
// Signatures that are short literals, found by Vectorscan in one pass.

// Read once for the process, and compiled here only when the database built in does not suit
// this processor; null where Vectorscan cannot run (it needs SSSE3).
const hs_database_t* literalDatabase() {
    static const LiteralSignatures::Database database = []() -> LiteralSignatures::Database {
        if (hs_valid_platform() != HS_SUCCESS) return nullptr;
        hs_database_t* read = nullptr;
        if (hs_deserialize_database(reinterpret_cast<const char*>(LiteralSignatures::kSerialised),
                                    LiteralSignatures::kSerialisedSize, &read) == HS_SUCCESS) {
            return LiteralSignatures::Database(read);
        }
        return LiteralSignatures::compile(nullptr);
    }();
    return database.get();
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
    addWindow(windows[sourceIndex(LiteralSignatures::kAll[index].pattern)], text, static_cast<std::size_t>(end) - 1);
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
