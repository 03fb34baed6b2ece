#pragma once

#include <string_view>

// The application's sample artifacts. The tokens are real HS256 tokens, signed with the key
// "orvel-sample-key" by HMAC-SHA256 over "header.payload" in base64url without padding:
//   sampleToken  header {"alg":"HS256","typ":"JWT"},
//                payload {"sub":"1234567890","name":"Ada King","iat":1733556842,"exp":1733560442}
//   logToken     header {"alg":"HS256"}, payload {"sub":"alice","exp":1733560442}
//   seededToken  header {"alg":"HS256"}, payload {"sub":"carol","iat":1733000000}
namespace orvel::Samples {

/// The sample for inspect mode: a 177-character token.
inline constexpr std::string_view sampleToken =
    "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9."
    "eyJzdWIiOiIxMjM0NTY3ODkwIiwibmFtZSI6IkFkYSBLaW5nIiwiaWF0IjoxNzMzNTU2ODQyLCJleHAiOjE3MzM1NjA0NDJ9."
    "j0SBC5GVYlOUHtipP11BFGb7XuBWLjPZFDGcoBgGDOU";

/// The sample for scan mode: four lines, 292 bytes, a request id, a 108-character token, an
/// OAuth error and a JSON payload.
inline constexpr std::string_view sampleLog = "[2026-06-07 09:14:02] request id 3f8c2a6e-9d41-4b2a-bf0e-1c7d5e9a02b1\n"
                                              "auth=eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiJhbGljZSIsImV4cCI6MTczMzU2MDQ0Mn0."
                                              "7ka2UX8qIsGFFpQnDKgBSEcDiDsnKf42KevOdXWUxvI\n"
                                              "error=invalid_grant&error_description=Token+has+expired\n"
                                              "payload {\"user\":\"alice\",\"retries\":3,\"ts\":1733556842}";

/// The token the demo history starts with: 108 characters, not the one in the log.
inline constexpr std::string_view seededToken = "eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiJjYXJvbCIsImlhdCI6MTczMzAwMDAwMH0."
                                                "MR2LTvmu5JSlGo_SNu_UX6ng-xqomqNEGKfl8Oi_GFw";

} // namespace orvel::Samples
