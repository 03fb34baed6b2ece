#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include <hs.h>

#include "text/Patterns.h"

// The prefilter's short literal signatures and their Vectorscan database. The database is
// compiled when the library is built and read back when it runs: compiling it in every process
// would keep about 4 MB of Vectorscan's compiler resident, a fifth of a 20 MB scan's memory.
namespace orvel::LiteralSignatures {

struct Signature {
    const char* expression; ///< Vectorscan syntax, over bytes
    Patterns::Id pattern;
};

// Only literals: with the class runs among its expressions the database took 170 ms to compile,
// and the pass about 4 ns a byte. And "&[A-Za-z_][A-Za-z0-9_.]*=" (literal, class run, literal)
// missed a match near the end of a 4 KB log in 212 of 256 placements of the text in memory
// (Vectorscan 5.4.9), where sets of plain literals found every match in every placement.
inline constexpr std::array<Signature, 4> kAll{{
    {"-----BEGIN", Patterns::Id::scanPEM},
    {R"(\$(?:2[abxy]|[1567]|y|argon2|scrypt|pbkdf2))", Patterns::Id::scanPasswordHash},
    {"eyJ", Patterns::Id::scanJWT},
    {"&[A-Za-z_]", Patterns::Id::scanQueryString},
}};

/// The database compiled when the library was built, serialised (LiteralDatabase.cpp, generated).
extern const unsigned char kSerialised[];
extern const std::size_t kSerialisedSize;

struct DatabaseDeleter {
    void operator()(hs_database_t* database) const { hs_free_database(database); }
};
using Database = std::unique_ptr<hs_database_t, DatabaseDeleter>;

/// The signatures compiled for `platform` (this processor when null), a match of signature i
/// reported with id i; null when Vectorscan cannot compile them.
inline Database compile(const hs_platform_info_t* platform) {
    std::array<const char*, kAll.size()> expressions{};
    std::array<unsigned, kAll.size()> flags{};
    std::array<unsigned, kAll.size()> ids{};
    for (std::size_t i = 0; i < kAll.size(); ++i) {
        expressions[i] = kAll[i].expression;
        ids[i] = static_cast<unsigned>(i);
    }
    hs_database_t* database = nullptr;
    hs_compile_error_t* error = nullptr;
    if (hs_compile_multi(expressions.data(), flags.data(), ids.data(), static_cast<unsigned>(kAll.size()),
                         HS_MODE_BLOCK, platform, &database, &error) != HS_SUCCESS) {
        hs_free_compile_error(error);
        return nullptr;
    }
    return Database(database);
}

} // namespace orvel::LiteralSignatures
