#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "text/Regex.h"

// Every regular expression the system compiles, in one table. The Regex wrapper reads only the
// ICU syntax these patterns use, and the differential test holds each of them against ICU's own
// engine, so a new pattern goes here or nowhere.
namespace orvel::Patterns {

enum class Id {
    base64Standard,
    base64URLSafe,
    digitsOnly,
    hexDigits,
    base32Text,
    base58Text,
    queryPlainKey,
    percentEscape,
    unicodeEscape,
    htmlReference,
    pemArmour,
    whiteSpace,
    trailingWhiteSpace,
    yamlDecimal,
    scanPEM,
    scanPasswordHash,
    scanJWT,
    scanUUID,
    scanQueryString,
    scanBase64,
    scanHex,
    scanMilliseconds,
    scanSeconds,
};

struct Entry {
    Id id;
    std::string_view name;
    std::string_view pattern; ///< ICU syntax; no pattern takes flags, inline or otherwise
};

inline constexpr std::array kAll{
    Entry{Id::base64Standard, "base64 standard alphabet", R"(^[A-Za-z0-9+/]+={0,2}$)"},
    Entry{Id::base64URLSafe, "base64 URL-safe alphabet", R"(^[A-Za-z0-9_-]+={0,2}$)"},
    Entry{Id::digitsOnly, "digits only", R"(^[0-9]+$)"},
    Entry{Id::hexDigits, "hex digits", R"(^[0-9a-fA-F]+$)"},
    Entry{Id::base32Text, "base32 text", R"(^[A-Z2-7]+={0,6}$)"},
    Entry{Id::base58Text, "base58 text", R"(^[1-9A-HJ-NP-Za-km-z]+$)"},
    Entry{Id::queryPlainKey, "query-string key", R"(^[A-Za-z0-9_.\[\]-]+$)"},
    Entry{Id::percentEscape, "percent escape", R"(%[0-9A-Fa-f]{2})"},
    Entry{Id::unicodeEscape, "Unicode escape", R"(\\u[0-9A-Fa-f]{4}|\\x[0-9A-Fa-f]{2})"},
    Entry{Id::htmlReference, "HTML character reference", R"(&(#[0-9]+|#[xX][0-9A-Fa-f]+|[a-zA-Z]+);)"},
    // The closing line must repeat the opening label; the lazy body ends each block at its own END.
    Entry{Id::pemArmour, "PEM armour", R"(-----BEGIN ([A-Z0-9 ]+)-----([A-Za-z0-9+/=\s]*?)-----END \1-----)"},
    Entry{Id::whiteSpace, "white space", R"(\s)"},
    Entry{Id::trailingWhiteSpace, "trailing white space", R"(\s+$)"},
    Entry{Id::yamlDecimal, "YAML decimal number", R"(^[+-]?[0-9]*\.?[0-9]+([eE][+-]?[0-9]+)?$)"},
    // The scanner's candidate sources.
    Entry{Id::scanPEM, "scan: PEM block", R"(-----BEGIN [A-Z0-9 ]+-----[A-Za-z0-9+/=\s]+-----END [A-Z0-9 ]+-----)"},
    Entry{Id::scanPasswordHash, "scan: password hash",
          R"(\$(?:2[abxy]|[1567]|y|argon2(?:id|i|d)|scrypt|pbkdf2[A-Za-z0-9-]*)\$[A-Za-z0-9./+=,$-]+)"},
    Entry{Id::scanJWT, "scan: JWT", R"(\beyJ[A-Za-z0-9_-]+\.[A-Za-z0-9_-]+\.[A-Za-z0-9_-]*)"},
    Entry{Id::scanUUID, "scan: UUID",
          R"(\b[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}\b)"},
    Entry{Id::scanQueryString, "scan: query string",
          R"([A-Za-z_][A-Za-z0-9_.]*=[^\s&]*(?:&[A-Za-z_][A-Za-z0-9_.]*=[^\s&]*)+)"},
    Entry{Id::scanBase64, "scan: base64 run", R"(\b[A-Za-z0-9+/_-]{24,}={0,2})"},
    Entry{Id::scanHex, "scan: hex run", R"(\b(?:0x)?[0-9a-fA-F]{16,}\b)"},
    Entry{Id::scanMilliseconds, "scan: 13-digit number", R"(\b\d{13}\b)"},
    Entry{Id::scanSeconds, "scan: 10-digit number", R"(\b\d{10}\b)"},
};

static_assert(
    [] {
        for (std::size_t i = 0; i < kAll.size(); ++i) {
            if (static_cast<std::size_t>(kAll[i].id) != i) return false;
        }
        return true;
    }(),
    "the table lists the patterns in Id order, so an Id is its row");

/// Pattern `id`, compiled once for the whole process on first use.
const Regex& compiled(Id id);

/// Pattern `id` with ASCII's meanings of `\b`, `\s` and `\d`, compiled once on its first use:
/// where every character a search reads is ASCII, it finds what compiled(id) finds, faster.
const Regex& compiledForASCII(Id id);

} // namespace orvel::Patterns
