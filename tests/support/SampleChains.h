#pragma once

// Chains shaped like the engine's answers for a JWT and a bcrypt hash, with the details those
// detectors report, so explanation tests do not depend on the detectors themselves.
#include <string>

#include "orvel/DecodeChain.h"

namespace orvel::testing {

inline const std::string kJWTPayload = R"({"sub":"1234567890","iat":1738303200,"exp":1738310400})";

inline DecodeChain jwtChain() {
    // clang-format off
    DecodeResult jwt{DetectionKind::jwt, kJWTPayload, 0.97, "JWT (HS256), valid, expires in 2 hours",
                     {{"alg", "HS256"},
                      {"alg_note", "HMAC with a shared secret (symmetric) — anyone holding the secret can forge tokens, "
                                   "so keep it server-side and long."},
                      {"exp", "2025-01-31T08:00:00Z"},
                      {"exp_meaning", "Expiration — reject the token at/after this instant."},
                      {"exp_relative", "in 2 hours"},
                      {"expired", "false"},
                      {"iat", "2025-01-31T06:00:00Z"},
                      {"iat_meaning", "Issued-at — when the token was created."},
                      {"sub", "1234567890"},
                      {"sub_meaning", "Subject — the principal the token is about (often a user id)."},
                      {"typ", "JWT"}},
                     false};
    DecodeResult json{DetectionKind::json,
                      "{\n  \"exp\" : 1738310400,\n  \"iat\" : 1738303200,\n  \"sub\" : \"1234567890\"\n}",
                      0.95, "JSON object", {{"topLevel", "object"}}, true};
    // clang-format on
    return DecodeChain{"eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9.eyJzdWIiOiIxMjM0NTY3ODkwIn0.sig", {jwt, json}};
}

inline DecodeChain bcryptChain(const std::string& cost, Details notes) {
    const std::string hash = "$2b$" + cost + "$R9h/cIPz0gi.URNNX3kh2OPST9/PgBkqquzi.Ss7KIUgO2t0jWMUW";
    Details details{{"algorithm", "bcrypt"}, {"cost", cost}, {"scheme", "2b"}};
    details.merge(notes);
    return DecodeChain{hash,
                       {{DetectionKind::hash, hash, 0.93, "bcrypt password hash (cost " + cost + ")", details, true}}};
}

} // namespace orvel::testing
