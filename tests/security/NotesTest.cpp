// The fixed notes the detectors attach: JWT claims and algorithms, hash schemes, relative times
// and OAuth error codes. The sentences themselves are recorded whole in the golden corpus; these
// tests hold which note a value gets.
#include <cmath>
#include <limits>
#include <tuple>

#include <gtest/gtest.h>

#include "security/Explainer.h"
#include "security/OAuthErrors.h"

namespace orvel {
namespace {

// The golden corpus holds the notes of real tokens and hashes, every digest size among them.
TEST(Explainer, ClaimsAndAlgorithmFamiliesAreMatchedAsRegistered) {
    // The golden corpus holds the meanings of the registered claims; other names have none.
    for (const char* name : {"EXP", "email", ""}) EXPECT_FALSE(Explainer::jwtClaim(name)) << name;
    // One note per family, chosen by prefix on the lower-case form.
    const std::pair<std::string_view, std::string_view> families[] = {
        {"none", "nOnE"}, {"HS256", "hs512"}, {"HS256", "HSfoo"}, {"RS256", "PS384"}, {"ES256", "ES256K"}};
    for (const auto& [family, alg] : families) {
        ASSERT_TRUE(Explainer::jwtAlgNote(family)) << family;
        EXPECT_EQ(Explainer::jwtAlgNote(alg), Explainer::jwtAlgNote(family)) << alg;
    }
    for (const char* alg : {"", "?", "Ed25519", "nonee", "none ", "H", "A256GCM", "EdDSA2"}) {
        EXPECT_FALSE(Explainer::jwtAlgNote(alg)) << alg;
    }
}

TEST(Explainer, RelativeTimePicksTheBandBeforeRounding) {
    const std::string largest = std::to_string(Explainer::maxRelativeCount);
    // 2^62 days still fits and is written out; 2^63 days is one past the largest count.
    // clang-format off
    const std::pair<double, std::string> times[] = {
        {0, "in 0 seconds"}, {-0.4, "0 seconds ago"}, {0.5, "in 1 second"}, {59.6, "in 60 seconds"},
        {60, "in 1 minute"}, {-89.9, "1 minute ago"}, {90, "in 2 minutes"}, {3599, "in 60 minutes"},
        {3600, "in 1 hour"}, {86399, "in 24 hours"}, {-86400, "1 day ago"},
        {0x1p62 * 86400, "in 4611686018427387904 days"}, {0x1p63 * 86400, "in " + largest + " days"},
        {-std::numeric_limits<double>::infinity(), largest + " days ago"}};
    // clang-format on
    for (const auto& [seconds, text] : times) EXPECT_EQ(Explainer::relativeTime(seconds), text) << seconds;
    EXPECT_FALSE(Explainer::relativeTime(std::nan("")));
}

TEST(Explainer, BcryptCostIsAStrictIntegerWithTheLineAtTen) {
    const auto bcrypt = [](auto cost) { return Explainer::passwordHashNote("bcrypt", cost); };
    // A 64-bit integer, as Text::decimalInteger reads it, is named in the note, and below ten the note asks for more.
    const std::tuple<std::string_view, std::string_view, bool> numbers[] = {
        // clang-format off
        {"10", "10", false}, {"+11", "11", false}, {"9", "9", true}, {"08", "8", true},
        {"-9223372036854775808", "-9223372036854775808", true}};
    // clang-format on
    for (const auto& [cost, read, low] : numbers) {
        const auto note = bcrypt(cost);
        EXPECT_NE(note->note.find("cost " + std::string(read) + " "), std::string::npos) << cost;
        EXPECT_EQ(note->nextStep.has_value(), low) << cost;
    }
    // Anything else gets the plain note, with no advice.
    EXPECT_FALSE(bcrypt(std::nullopt)->nextStep);
    for (const char* cost : {"x", " 12", "9223372036854775808"}) EXPECT_EQ(bcrypt(cost), bcrypt(std::nullopt)) << cost;
    // Schemes are matched case-sensitively.
    EXPECT_TRUE(Explainer::passwordHashNote("argon2id", "12"));
    for (const char* scheme : {"Argon2id", "BCRYPT", "argon2", "sha1crypt", ""}) {
        EXPECT_FALSE(Explainer::passwordHashNote(scheme, "12")) << scheme;
    }
}

// The golden corpus holds the entries of known codes.
TEST(OAuthErrors, LookupIsExact) {
    EXPECT_TRUE(OAuthErrors::lookup("invalid_grant"));
    for (const char* code : {"INVALID_GRANT", "invalid_grant ", " invalid_grant", "", "invalid", "invalid%5Fgrant"}) {
        EXPECT_FALSE(OAuthErrors::lookup(code)) << code;
    }
}

} // namespace
} // namespace orvel
