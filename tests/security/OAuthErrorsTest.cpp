#include "orvel/OAuthErrors.h"

#include <gtest/gtest.h>

#include <set>

namespace orvel {
namespace {

TEST(OAuthErrors, KnowsExactlyTheSixteenStandardCodes) {
    std::set<std::string> codes;
    for (const auto& [code, info] : OAuthErrors::table()) {
        codes.insert(code);
        EXPECT_EQ(OAuthErrors::lookup(code), info) << code;
        EXPECT_FALSE(info.meaning.empty() || info.likelyCause.empty() || info.nextStep.empty()) << code;
    }
    EXPECT_EQ(codes, (std::set<std::string>{
                         "access_denied", "consent_required", "expired_token", "insufficient_scope",
                         "interaction_required", "invalid_client", "invalid_grant", "invalid_request",
                         "invalid_scope", "invalid_token", "login_required", "server_error",
                         "temporarily_unavailable", "unauthorized_client", "unsupported_grant_type",
                         "unsupported_response_type"}));

    // The origin prefix belongs to the text for the OpenID Connect and bearer-token codes only.
    std::set<std::string> prefixed;
    for (const auto& [code, info] : OAuthErrors::table()) {
        if (info.meaning.starts_with("(OIDC) ") || info.meaning.starts_with("(RFC 6750) ")) prefixed.insert(code);
    }
    EXPECT_EQ(prefixed, (std::set<std::string>{"consent_required", "insufficient_scope", "interaction_required",
                                               "invalid_token", "login_required"}));
}

TEST(OAuthErrors, TextsAreKeptCharacterForCharacter) {
    EXPECT_EQ(OAuthErrors::lookup("invalid_grant"),
              (OAuthErrors::Info{
                  "The authorization grant or refresh token is invalid, expired, revoked, or doesn't match the "
                  "redirect_uri.",
                  "Auth code already used/expired (codes are single-use, ~seconds), clock skew, or redirect_uri "
                  "mismatch.",
                  "Restart the auth flow for a fresh code; ensure redirect_uri is byte-identical to the one used at "
                  "/authorize; check server clock."}));
    EXPECT_EQ(OAuthErrors::lookup("invalid_request")->likelyCause,
              "A required field (grant_type, code, redirect_uri\u2026) is absent, duplicated, or wrongly encoded.");
}

TEST(OAuthErrors, LookupIsExact) {
    for (const char* code : {"INVALID_GRANT", "invalid_grant ", "invalid_grant\n", " invalid_grant", "",
                             "invalid_dpop_proof", "invalid%5Fgrant", "\"invalid_grant\""}) {
        EXPECT_FALSE(OAuthErrors::lookup(code)) << code;
    }
}

} // namespace
} // namespace orvel
