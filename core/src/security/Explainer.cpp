#include "security/Explainer.h"

#include <cmath>

#include <fmt/format.h>

#include "text/Text.h"

namespace orvel::Explainer {
namespace {

std::string lowercasedASCII(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Saturates instead of overflowing: 2^63 and beyond (and infinity) all become the largest count.
std::int64_t roundedCount(double magnitude) {
    const double rounded = std::round(magnitude);
    if (rounded >= 0x1p63) return maxRelativeCount;
    return static_cast<std::int64_t>(rounded);
}

} // namespace

const std::map<std::string, std::string, std::less<>>& jwtClaims() {
    static const std::map<std::string, std::string, std::less<>> claims{
        {"iss", "Issuer — who created and signed the token."},
        {"sub", "Subject — the principal the token is about (often a user id)."},
        {"aud", "Audience — who the token is for; the recipient must match it."},
        {"exp", "Expiration — reject the token at/after this instant."},
        {"nbf", "Not-before — the token is invalid before this instant."},
        {"iat", "Issued-at — when the token was created."},
        {"jti", "JWT ID — unique token identifier (replay protection)."},
    };
    return claims;
}

std::optional<std::string> jwtClaim(std::string_view name) {
    const auto& claims = jwtClaims();
    const auto found = claims.find(name);
    if (found == claims.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> jwtAlgNote(std::string_view alg) {
    const std::string lower = lowercasedASCII(alg);
    if (lower == "none") {
        return "alg \"none\" means the token is UNSIGNED — its signature is not verified. Never accept a 'none' "
               "token; it's a classic JWT auth-bypass.";
    }
    if (lower.starts_with("hs")) {
        return "HMAC with a shared secret (symmetric) — anyone holding the secret can forge tokens, so keep it "
               "server-side and long.";
    }
    if (lower.starts_with("rs") || lower.starts_with("ps")) {
        return "RSA signature (asymmetric) — verified with the public key; only the private-key holder can sign.";
    }
    if (lower.starts_with("es")) return "ECDSA signature (asymmetric, elliptic-curve) — verified with the public key.";
    if (lower == "eddsa") return "Edwards-curve signature (asymmetric) — verified with the public key.";
    return std::nullopt;
}

std::optional<std::string> relativeTime(double secondsFromNow) {
    if (std::isnan(secondsFromNow)) return std::nullopt;
    const double magnitude = std::fabs(secondsFromNow);
    // The band is chosen on the exact magnitude, before rounding: 59.6 s stays "60 seconds".
    std::int64_t count = 0;
    std::string_view unit;
    if (magnitude < 60) {
        count = roundedCount(magnitude);
        unit = "second";
    } else if (magnitude < 3600) {
        count = roundedCount(magnitude / 60);
        unit = "minute";
    } else if (magnitude < 86400) {
        count = roundedCount(magnitude / 3600);
        unit = "hour";
    } else {
        count = roundedCount(magnitude / 86400);
        unit = "day";
    }
    const std::string_view plural = count == 1 ? "" : "s";
    // Negative zero compares equal to zero and so reads as the future, like zero itself.
    if (secondsFromNow >= 0) return fmt::format("in {} {}{}", count, unit, plural);
    return fmt::format("{} {}{} ago", count, unit, plural);
}

Note digestNote(int bits) {
    switch (bits) {
    case 128:
        return {"MD5 is cryptographically broken (practical collisions) — unsafe for signatures or passwords.",
                "If this guards data integrity/auth, move to SHA-256+; for passwords use bcrypt/argon2."};
    case 160:
        return {"SHA-1 is broken (collisions demonstrated) — deprecated for security use.",
                "Replace with SHA-256 or better; for passwords use bcrypt/argon2."};
    default:
        return {"A fast general-purpose digest — NOT a password hash.",
                "Never store passwords as a bare digest; use bcrypt or argon2id."};
    }
}

std::optional<Note> passwordHashNote(std::string_view algorithm, std::optional<std::string_view> cost) {
    if (algorithm == "bcrypt") {
        const auto integerCost = cost ? Text::decimalInteger(*cost) : std::nullopt;
        if (!integerCost) return Note{"bcrypt — a sound, deliberately-slow password hash.", std::nullopt};
        // Adequate from 10, though the advice for low costs aims at 12.
        if (*integerCost >= 10)
            return Note{fmt::format("bcrypt with cost {} — adequate work factor.", *integerCost), std::nullopt};
        return Note{fmt::format("bcrypt is solid, but cost {} is low for modern hardware.", *integerCost),
                    "Raise the cost to ≥ 12 and re-hash on next login."};
    }
    if (algorithm == "argon2id") {
        return Note{"argon2id — memory-hard; current best practice for password hashing.", std::nullopt};
    }
    if (algorithm == "argon2i" || algorithm == "argon2d") {
        return Note{
            fmt::format("{} — argon2id is generally preferred (resists both side-channel and GPU attacks).", algorithm),
            "Prefer argon2id for new password hashing."};
    }
    if (algorithm == "scrypt" || algorithm == "yescrypt") {
        return Note{fmt::format("{} — memory-hard KDF; a strong choice for passwords.", algorithm), std::nullopt};
    }
    if (algorithm == "sha256crypt" || algorithm == "sha512crypt") {
        return Note{
            fmt::format("{} — acceptable with a high round count, though bcrypt/argon2 are preferred.", algorithm),
            std::nullopt};
    }
    if (algorithm == "md5crypt") {
        return Note{"md5crypt is MD5-based and fast to brute-force — considered weak.",
                    "Migrate to bcrypt or argon2id and re-hash on next login."};
    }
    if (algorithm == "pbkdf2") {
        return Note{"PBKDF2 — OK with a high iteration count, but GPU-friendlier than memory-hard KDFs.", std::nullopt};
    }
    return std::nullopt;
}

} // namespace orvel::Explainer
