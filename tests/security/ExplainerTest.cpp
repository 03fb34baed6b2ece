#include "orvel/Explainer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orvel {
namespace {

using Explainer::Note;

TEST(Explainer, ClaimMeaningsAreMatchedExactly) {
    EXPECT_EQ(Explainer::jwtClaims().size(), 7u);
    EXPECT_EQ(Explainer::jwtClaim("exp"), "Expiration — reject the token at/after this instant.");
    EXPECT_EQ(Explainer::jwtClaim("jti"), "JWT ID — unique token identifier (replay protection).");
    EXPECT_FALSE(Explainer::jwtClaim("EXP"));
    EXPECT_FALSE(Explainer::jwtClaim("email"));
    EXPECT_FALSE(Explainer::jwtClaim(""));
}

TEST(Explainer, AlgorithmNotesGoByFamilyPrefix) {
    const std::string unsigned_ =
        "alg \"none\" means the token is UNSIGNED — its signature is not verified. Never accept a 'none' token; "
        "it's a classic JWT auth-bypass.";
    const std::string hmac = "HMAC with a shared secret (symmetric) — anyone holding the secret can forge tokens, so "
                             "keep it server-side and long.";
    const std::string rsa =
        "RSA signature (asymmetric) — verified with the public key; only the private-key holder can sign.";
    const std::string ecdsa = "ECDSA signature (asymmetric, elliptic-curve) — verified with the public key.";
    const std::string eddsa = "Edwards-curve signature (asymmetric) — verified with the public key.";

    EXPECT_EQ(Explainer::jwtAlgNote("none"), unsigned_);
    EXPECT_EQ(Explainer::jwtAlgNote("NONE"), unsigned_);
    EXPECT_EQ(Explainer::jwtAlgNote("nOnE"), unsigned_);
    EXPECT_EQ(Explainer::jwtAlgNote("HS256"), hmac);
    EXPECT_EQ(Explainer::jwtAlgNote("hs512"), hmac);
    EXPECT_EQ(Explainer::jwtAlgNote("HSfoo"), hmac);
    EXPECT_EQ(Explainer::jwtAlgNote("RS256"), rsa);
    EXPECT_EQ(Explainer::jwtAlgNote("PS384"), rsa);
    EXPECT_EQ(Explainer::jwtAlgNote("ES256K"), ecdsa);
    EXPECT_EQ(Explainer::jwtAlgNote("EdDSA"), eddsa);
    for (const char* alg : {"", "?", "Ed25519", "nonee", "none ", "H", "A256GCM", "EdDSA2"}) {
        EXPECT_FALSE(Explainer::jwtAlgNote(alg)) << alg;
    }
}

TEST(Explainer, RelativeTimePicksTheBandBeforeRounding) {
    EXPECT_EQ(Explainer::relativeTime(0), "in 0 seconds");
    EXPECT_EQ(Explainer::relativeTime(-0.0), "in 0 seconds");
    EXPECT_EQ(Explainer::relativeTime(-0.4), "0 seconds ago");
    EXPECT_EQ(Explainer::relativeTime(0.5), "in 1 second");
    EXPECT_EQ(Explainer::relativeTime(-1), "1 second ago");
    EXPECT_EQ(Explainer::relativeTime(59.6), "in 60 seconds");
    EXPECT_EQ(Explainer::relativeTime(60), "in 1 minute");
    EXPECT_EQ(Explainer::relativeTime(90), "in 2 minutes");
    EXPECT_EQ(Explainer::relativeTime(-89.9), "1 minute ago");
    EXPECT_EQ(Explainer::relativeTime(3599), "in 60 minutes");
    EXPECT_EQ(Explainer::relativeTime(3600), "in 1 hour");
    EXPECT_EQ(Explainer::relativeTime(-7200), "2 hours ago");
    EXPECT_EQ(Explainer::relativeTime(86399), "in 24 hours");
    EXPECT_EQ(Explainer::relativeTime(86400), "in 1 day");
    EXPECT_EQ(Explainer::relativeTime(1.5 * 86400), "in 2 days");
    EXPECT_EQ(Explainer::relativeTime(400 * 86400.0), "in 400 days");
    EXPECT_EQ(Explainer::relativeTime(-1e15), "11574074074 days ago");
}

TEST(Explainer, RelativeTimeClampsWhatNoCountCanHold) {
    const std::string largest = std::to_string(Explainer::maxRelativeCount);
    // 2^62 days still fits and is written out; 2^63 days is one past the largest count.
    EXPECT_EQ(Explainer::relativeTime(0x1p62 * 86400), "in 4611686018427387904 days");
    EXPECT_EQ(Explainer::relativeTime(0x1p63 * 86400), "in " + largest + " days");
    EXPECT_EQ(Explainer::relativeTime(-1e300), largest + " days ago");
    EXPECT_EQ(Explainer::relativeTime(std::numeric_limits<double>::infinity()), "in " + largest + " days");
    EXPECT_EQ(Explainer::relativeTime(-std::numeric_limits<double>::infinity()), largest + " days ago");
    EXPECT_FALSE(Explainer::relativeTime(std::nan("")));
}

TEST(Explainer, DigestNotesSingleOutTheBrokenSizes) {
    EXPECT_EQ(Explainer::digestNote(128),
              (Note{"MD5 is cryptographically broken (practical collisions) — unsafe for signatures or passwords.",
                    "If this guards data integrity/auth, move to SHA-256+; for passwords use bcrypt/argon2."}));
    EXPECT_EQ(Explainer::digestNote(160),
              (Note{"SHA-1 is broken (collisions demonstrated) — deprecated for security use.",
                    "Replace with SHA-256 or better; for passwords use bcrypt/argon2."}));
    const Note generic{"A fast general-purpose digest — NOT a password hash.",
                       "Never store passwords as a bare digest; use bcrypt or argon2id."};
    for (int bits : {0, 224, 256, 384, 512, -128}) EXPECT_EQ(Explainer::digestNote(bits), generic) << bits;
}

TEST(Explainer, BcryptCostIsAStrictIntegerWithTheLineAtTen) {
    const auto bcrypt = [](std::optional<std::string_view> cost) { return Explainer::passwordHashNote("bcrypt", cost); };
    const Note plain{"bcrypt — a sound, deliberately-slow password hash.", std::nullopt};
    const auto adequate = [](std::string_view cost) {
        return Note{"bcrypt with cost " + std::string(cost) + " — adequate work factor.", std::nullopt};
    };
    const auto low = [](std::string_view cost) {
        return Note{"bcrypt is solid, but cost " + std::string(cost) + " is low for modern hardware.",
                    "Raise the cost to ≥ 12 and re-hash on next login."};
    };
    EXPECT_EQ(bcrypt("12"), adequate("12"));
    EXPECT_EQ(bcrypt("10"), adequate("10"));
    EXPECT_EQ(bcrypt("+11"), adequate("11"));
    EXPECT_EQ(bcrypt("9223372036854775807"), adequate("9223372036854775807"));
    EXPECT_EQ(bcrypt("9"), low("9"));
    EXPECT_EQ(bcrypt("08"), low("8"));
    EXPECT_EQ(bcrypt("-3"), low("-3"));
    EXPECT_EQ(bcrypt("-9223372036854775808"), low("-9223372036854775808"));
    for (const char* cost : {"x", "", "+", "-", "+-5", "1 2", " 12", "12 ", "1e3", "0x0c", "9223372036854775808",
                             "-9223372036854775809"}) {
        EXPECT_EQ(bcrypt(cost), plain) << cost;
    }
    EXPECT_EQ(bcrypt(std::nullopt), plain);
}

TEST(Explainer, PasswordSchemesAreMatchedCaseSensitively) {
    EXPECT_EQ(Explainer::passwordHashNote("argon2id", std::nullopt),
              (Note{"argon2id — memory-hard; current best practice for password hashing.", std::nullopt}));
    EXPECT_EQ(Explainer::passwordHashNote("argon2d", "4"),
              (Note{"argon2d — argon2id is generally preferred (resists both side-channel and GPU attacks).",
                    "Prefer argon2id for new password hashing."}));
    // The remaining schemes are checked through the hash detector with real hashes.
    for (const char* scheme : {"Argon2id", "BCRYPT", "argon2", "pbkdf2-sha256", "sha1crypt", ""}) {
        EXPECT_FALSE(Explainer::passwordHashNote(scheme, "12")) << scheme;
    }
}

} // namespace
} // namespace orvel
