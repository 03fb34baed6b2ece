#include "scan/CandidatePrefilter.h"

#include "scan/ClassRuns.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include <fmt/format.h>
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
    std::array<Id, 2> patterns;
    std::size_t count;
};

// The characters beyond ASCII in ICU's \d, as the alternation of their first two UTF-8 bytes:
// a match of \d{10} that is not ten ASCII digits holds one of them.
std::string digitsBeyondASCII() {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet digits(icu::UnicodeString(u"[[:Nd:]-[0-9]]"), status);
    std::array<std::array<bool, 64>, 256> seconds{};
    for (std::int32_t range = 0; U_SUCCESS(status) && range < digits.getRangeCount(); ++range) {
        for (UChar32 c = digits.getRangeStart(range); c <= digits.getRangeEnd(range); ++c) {
            std::uint8_t bytes[U8_MAX_LENGTH];
            std::int32_t length = 0;
            U8_APPEND_UNSAFE(bytes, length, c);
            seconds[bytes[0]][bytes[1] & 0x3F] = true;
        }
    }
    std::string alternation;
    for (std::size_t lead = 0; lead < seconds.size(); ++lead) {
        std::string members;
        for (std::size_t second = 0; second < 64; ++second) {
            if (seconds[lead][second]) members += fmt::format("\\x{:02x}", 0x80 + second);
        }
        if (!members.empty())
            alternation += fmt::format("{}\\x{:02x}[{}]", alternation.empty() ? "" : "|", lead, members);
    }
    return alternation;
}

constexpr std::size_t kLiteralSignatures = 5;

const std::array<LiteralSignature, kLiteralSignatures>& literalSignatures() {
    static const std::string digits = digitsBeyondASCII();
    static const std::array<LiteralSignature, kLiteralSignatures> all{{
        {"-----BEGIN", {Id::scanPEM}, 1},
        {R"(\$(?:2[abxy]|[1567]|y|argon2|scrypt|pbkdf2))", {Id::scanPasswordHash}, 1},
        {"eyJ", {Id::scanJWT}, 1},
        {"&[A-Za-z_]", {Id::scanQueryString}, 1},
        {digits.c_str(), {Id::scanMilliseconds, Id::scanSeconds}, 2},
    }};
    return all;
}

struct DatabaseDeleter {
    void operator()(hs_database_t* database) const { hs_free_database(database); }
};

// Compiled once for the process; null where Vectorscan cannot run (it needs SSSE3).
const hs_database_t* literalDatabase() {
    static const std::unique_ptr<hs_database_t, DatabaseDeleter> compiled([]() -> hs_database_t* {
        if (hs_valid_platform() != HS_SUCCESS) return nullptr;
        const auto& signatures = literalSignatures();
        std::array<const char*, kLiteralSignatures> expressions{};
        std::array<unsigned, kLiteralSignatures> flags{};
        std::array<unsigned, kLiteralSignatures> ids{};
        for (std::size_t i = 0; i < signatures.size(); ++i) {
            expressions[i] = signatures[i].expression;
            ids[i] = static_cast<unsigned>(i);
        }
        hs_database_t* database = nullptr;
        hs_compile_error_t* error = nullptr;
        if (hs_compile_multi(expressions.data(), flags.data(), ids.data(), static_cast<unsigned>(kLiteralSignatures),
                             HS_MODE_BLOCK, nullptr, &database, &error) != HS_SUCCESS) {
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

struct LiteralWindows {
    std::string_view text;
    std::array<std::vector<TextRange>, kSources.size()>& windows;
};

// A literal signature ends at `end`: the run around its last byte is a window of its patterns.
int onLiteralSignature(unsigned int index, unsigned long long, unsigned long long end, unsigned int, void* context) {
    const auto& [text, windows] = *static_cast<LiteralWindows*>(context);
    const LiteralSignature& signature = literalSignatures()[index];
    const auto at = static_cast<std::size_t>(end) - 1;
    for (std::size_t i = 0; i < signature.count; ++i) {
        std::vector<TextRange>& stretches = windows[sourceIndex(signature.patterns[i])];
        if (stretches.empty() || at >= stretches.back().end) stretches.push_back(runAround(text, at));
    }
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
