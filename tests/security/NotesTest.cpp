// The fixed notes the detectors attach: JWT claims and algorithms, hash schemes, relative times
// and OAuth error codes. The sentences themselves are recorded whole in the golden corpus; these
// tests hold which note a value gets.
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "security/Explainer.h"
#include "security/OAuthErrors.h"

namespace orvel {
namespace {

using Explainer::Note;

TEST(Explainer, ClaimsAndAlgorithmFamiliesAreMatchedAsRegistered) {
    std::set<std::string> claims;
    for (const auto& [name, meaning] : Explainer::jwtClaims()) claims.insert(name);
    EXPECT_EQ(claims, (std::set<std::string>{"aud", "exp", "iat", "iss", "jti", "nbf", "sub"}));
    for (const char* name : {"EXP", "email", ""}) EXPECT_FALSE(Explainer::jwtClaim(name)) << name;

    // One note per family, chosen by prefix on the lower-case form.
    const std::pair<std::string_view, std::string_view> families[] = {
        {"none", "NONE"},   {"none", "nOnE"},    {"HS256", "hs512"}, {"HS256", "HSfoo"},
        {"RS256", "PS384"}, {"ES256", "ES256K"}, {"EdDSA", "EdDSA"},
    };
    std::set<std::string> notes;
    for (const auto& [family, alg] : families) {
        ASSERT_TRUE(Explainer::jwtAlgNote(family)) << family;
        EXPECT_EQ(Explainer::jwtAlgNote(alg), Explainer::jwtAlgNote(family)) << alg;
        notes.insert(*Explainer::jwtAlgNote(family));
    }
    EXPECT_EQ(notes.size(), 5u);
    for (const char* alg : {"", "?", "Ed25519", "nonee", "none ", "H", "A256GCM", "EdDSA2"}) {
        EXPECT_FALSE(Explainer::jwtAlgNote(alg)) << alg;
    }
}

TEST(Explainer, RelativeTimePicksTheBandBeforeRounding) {
    const std::string largest = std::to_string(Explainer::maxRelativeCount);
    // 2^62 days still fits and is written out; 2^63 days is one past the largest count.
    const std::pair<double, std::string> times[] = {
        {0, "in 0 seconds"}, {-0.0, "in 0 seconds"}, {-0.4, "0 seconds ago"}, {0.5, "in 1 second"},
        {-1, "1 second ago"}, {59.6, "in 60 seconds"}, {60, "in 1 minute"}, {90, "in 2 minutes"},
        {-89.9, "1 minute ago"}, {3599, "in 60 minutes"}, {3600, "in 1 hour"}, {-7200, "2 hours ago"},
        {86399, "in 24 hours"}, {86400, "in 1 day"}, {1.5 * 86400, "in 2 days"}, {400 * 86400.0, "in 400 days"},
        {-1e15, "11574074074 days ago"}, {0x1p62 * 86400, "in 4611686018427387904 days"},
        {0x1p63 * 86400, "in " + largest + " days"}, {-1e300, largest + " days ago"},
        {std::numeric_limits<double>::infinity(), "in " + largest + " days"},
        {-std::numeric_limits<double>::infinity(), largest + " days ago"},
    };
    for (const auto& [seconds, text] : times) EXPECT_EQ(Explainer::relativeTime(seconds), text) << seconds;
    EXPECT_FALSE(Explainer::relativeTime(std::nan("")));
}

TEST(Explainer, DigestNotesSingleOutTheBrokenSizes) {
    const Note generic = Explainer::digestNote(256);
    EXPECT_NE(Explainer::digestNote(128), generic);
    EXPECT_NE(Explainer::digestNote(160), generic);
    EXPECT_NE(Explainer::digestNote(128), Explainer::digestNote(160));
    for (int bits : {0, 224, 384, 512, -128}) EXPECT_EQ(Explainer::digestNote(bits), generic) << bits;
}

TEST(Explainer, BcryptCostIsAStrictIntegerWithTheLineAtTen) {
    const auto bcrypt = [](std::optional<std::string_view> cost) {
        return Explainer::passwordHashNote("bcrypt", cost);
    };
    const auto plain = bcrypt(std::nullopt);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->nextStep);
    // A strict 64-bit integer is named in the note, and below ten the note asks for more.
    const std::tuple<std::string_view, std::string_view, bool> numbers[] = {
        {"12", "12", false}, {"10", "10", false}, {"+11", "11", false}, {"9", "9", true}, {"08", "8", true},
        {"-3", "-3", true}, {"9223372036854775807", "9223372036854775807", false},
        {"-9223372036854775808", "-9223372036854775808", true},
    };
    for (const auto& [cost, read, low] : numbers) {
        const auto note = bcrypt(cost);
        EXPECT_NE(note->note.find("cost " + std::string(read) + " "), std::string::npos) << cost;
        EXPECT_EQ(note->nextStep.has_value(), low) << cost;
    }
    for (const char* cost : {"x", "", "+", "-", "+-5", "1 2", " 12", "12 ", "1e3", "0x0c", "9223372036854775808",
                             "-9223372036854775809"}) {
        EXPECT_EQ(bcrypt(cost), plain) << cost;
    }
}

TEST(Explainer, PasswordSchemesAreMatchedCaseSensitively) {
    EXPECT_TRUE(Explainer::passwordHashNote("argon2id", "12"));
    for (const char* scheme : {"Argon2id", "BCRYPT", "argon2", "pbkdf2-sha256", "sha1crypt", ""}) {
        EXPECT_FALSE(Explainer::passwordHashNote(scheme, "12")) << scheme;
    }
}

TEST(OAuthErrors, KnowsExactlyTheSixteenStandardCodes) {
    std::set<std::string> codes;
    std::set<std::string> prefixed;
    for (const auto& [code, info] : OAuthErrors::table()) {
        codes.insert(code);
        EXPECT_EQ(OAuthErrors::lookup(code), info) << code;
        EXPECT_FALSE(info.meaning.empty() || info.likelyCause.empty() || info.nextStep.empty()) << code;
        if (info.meaning.starts_with("(OIDC) ") || info.meaning.starts_with("(RFC 6750) ")) prefixed.insert(code);
    }
    EXPECT_EQ(codes, (std::set<std::string>{"access_denied", "consent_required", "expired_token", "insufficient_scope",
                                            "interaction_required", "invalid_client", "invalid_grant",
                                            "invalid_request", "invalid_scope", "invalid_token", "login_required",
                                            "server_error", "temporarily_unavailable", "unauthorized_client",
                                            "unsupported_grant_type", "unsupported_response_type"}));
    // The origin prefix belongs to the text for the OpenID Connect and bearer-token codes only.
    EXPECT_EQ(prefixed, (std::set<std::string>{"consent_required", "insufficient_scope", "interaction_required",
                                               "invalid_token", "login_required"}));
    for (const char* code : {"INVALID_GRANT", "invalid_grant ", "invalid_grant\n", " invalid_grant", "",
                             "invalid_dpop_proof", "invalid%5Fgrant", "\"invalid_grant\""}) {
        EXPECT_FALSE(OAuthErrors::lookup(code)) << code;
    }
}

} // namespace
} // namespace orvel
