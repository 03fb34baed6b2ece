#include "detectors/JWTDetector.h"

#include <gtest/gtest.h>

#include "orvel/Clock.h"
#include "orvel/Explainer.h"
#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using testing::base64Encode;
using namespace std::string_view_literals;

std::optional<DecodeResult> decode(std::string_view text) { return JWTDetector().decode(text); }

std::string token(std::string_view header, std::string_view payload, std::string_view signature = "c2ln") {
    return base64Encode(header, true, false) + "." + base64Encode(payload, true, false) + "." + std::string(signature);
}

std::string fixture(std::string_view name) {
    std::string text = testing::readTestData(name);
    return text.substr(0, text.find_last_not_of('\n') + 1);
}

// The fixtures carry iat = nbf = 2026-01-01T00:00:00Z and exp two hours later.
constexpr double issued = 1767225600;
constexpr double expires = issued + 7200;

class JWTDetectorTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::pin(issued); }
    void TearDown() override { Clock::pin(std::nullopt); }
};

TEST_F(JWTDetectorTest, ReadsTokensSignedByARealLibrary) {
    const std::string hs256 = fixture("security/jwt-hs256.txt");
    const auto result = decode(hs256);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::jwt);
    EXPECT_EQ(result->confidence, 0.97);
    EXPECT_FALSE(result->terminal);
    EXPECT_EQ(result->summary, "JWT (HS256), valid, expires in 2 hours");
    // The payload exactly as PyJWT wrote it: compact, in its own key order.
    EXPECT_EQ(result->output,
              R"({"iss":"https://login.example.test/","sub":"user-42","aud":"orders-api","iat":1767225600,)"
              R"("nbf":1767225600,"exp":1767232800,"jti":"b6f1c0de","scope":"orders:read"})");
    EXPECT_EQ(result->details,
              (Details{{"alg", "HS256"}, {"alg_note", *Explainer::jwtAlgNote("HS256")}, {"typ", "JWT"}, {"kid", "hmac-1"},
                       {"exp", "2026-01-01T02:00:00Z"}, {"expired", "false"}, {"exp_relative", "in 2 hours"},
                       {"iat", "2026-01-01T00:00:00Z"}, {"nbf", "2026-01-01T00:00:00Z"}, {"sub", "user-42"},
                       {"iss", "https://login.example.test/"}, {"aud", "orders-api"},
                       {"iss_meaning", *Explainer::jwtClaim("iss")}, {"sub_meaning", *Explainer::jwtClaim("sub")},
                       {"aud_meaning", *Explainer::jwtClaim("aud")}, {"exp_meaning", *Explainer::jwtClaim("exp")},
                       {"nbf_meaning", *Explainer::jwtClaim("nbf")}, {"iat_meaning", *Explainer::jwtClaim("iat")},
                       {"jti_meaning", *Explainer::jwtClaim("jti")}}));

    Clock::pin(expires + 3 * 86400);
    const auto rs256 = decode(fixture("security/jwt-rs256.txt"));
    EXPECT_EQ(rs256->summary, "JWT (RS256), EXPIRED (3 days ago)");
    EXPECT_EQ(rs256->details.at("expired"), "true");
    EXPECT_EQ(rs256->details.at("kid"), "rsa-2026");
    EXPECT_EQ(rs256->details.at("alg_note"), *Explainer::jwtAlgNote("RS256"));

    // An audience list is not a string, but the claim is there.
    const auto es256 = decode(fixture("security/jwt-es256.txt"));
    EXPECT_EQ(es256->details.count("aud"), 0u);
    EXPECT_EQ(es256->details.at("aud_meaning"), *Explainer::jwtClaim("aud"));
    EXPECT_EQ(es256->details.at("alg_note"), "ECDSA signature (asymmetric, elliptic-curve) — verified with the public key.");

    // Unsigned: the text ends with the second dot; no registered claims but "sub".
    const auto none = decode(fixture("security/jwt-none.txt"));
    EXPECT_EQ(none->summary, "JWT (none)");
    EXPECT_EQ(none->details, (Details{{"alg", "none"}, {"alg_note", *Explainer::jwtAlgNote("none")}, {"typ", "JWT"},
                                      {"sub", "admin"}, {"sub_meaning", *Explainer::jwtClaim("sub")}}));
}

TEST_F(JWTDetectorTest, ExpiryTurnsStrictlyAfterTheInstant) {
    const std::string atExp = token(R"({"alg":"HS256"})", R"({"exp":1767232800})");
    Clock::pin(expires);
    EXPECT_EQ(decode(atExp)->summary, "JWT (HS256), valid, expires in 0 seconds");
    Clock::pin(expires + 0.5);
    EXPECT_EQ(decode(atExp)->details.at("expired"), "true");
    Clock::pin(expires + 3600);
    EXPECT_EQ(decode(atExp)->summary, "JWT (HS256), EXPIRED (1 hour ago)");
    EXPECT_EQ(decode(atExp)->details.at("exp_relative"), "1 hour ago");

    // Fractional and unsigned numbers count; a string of digits does not.
    EXPECT_EQ(decode(token("{}", R"({"exp":1767232800.9})"))->details.at("exp"), "2026-01-01T02:00:00Z");
    EXPECT_EQ(decode(token("{}", R"({"iat":18446744073709551615})"))->details.count("iat"), 0u);  // past year 9999
    const auto digits = decode(token("{}", R"({"exp":"1767232800","iat":null})"));
    EXPECT_EQ(digits->summary, "JWT (?)");
    EXPECT_EQ(digits->details, (Details{{"alg", "?"}, {"exp_meaning", *Explainer::jwtClaim("exp")},
                                        {"iat_meaning", *Explainer::jwtClaim("iat")}}));

    // Beyond year 9999 there is no date, but the verdict and a clamped distance remain.
    const auto far = decode(token("{}", R"({"exp":1e300})"));
    EXPECT_EQ(far->details.count("exp"), 0u);
    EXPECT_EQ(far->details.at("expired"), "false");
    EXPECT_EQ(far->summary, "JWT (?), valid, expires in 9223372036854775807 days");
    EXPECT_EQ(decode(token("{}", R"({"exp":-1e300})"))->summary, "JWT (?), EXPIRED (9223372036854775807 days ago)");
    EXPECT_FALSE(decode(token("{}", R"({"exp":1e400})")));  // the JSON reader refuses what no double holds
}

TEST_F(JWTDetectorTest, HeaderAlgorithmIsReportedAsWritten) {
    const auto upper = decode(token(R"({"alg":"NONE"})", "{}", ""));
    EXPECT_EQ(upper->details.at("alg"), "NONE");
    EXPECT_EQ(upper->details.at("alg_note"), *Explainer::jwtAlgNote("none"));
    for (const char* header : {"{}", R"({"alg":256})", R"({"alg":null,"typ":7,"kid":["k"]})"}) {
        const auto result = decode(token(header, R"({"name":"x"})"));
        EXPECT_EQ(result->summary, "JWT (?)") << header;
        EXPECT_EQ(result->details, (Details{{"alg", "?"}})) << header;
    }
    // Standard-alphabet segments decode as well.
    EXPECT_TRUE(decode(base64Encode(R"({"alg":"HS256"})") + "." + base64Encode("{}") + "."));
}

TEST_F(JWTDetectorTest, DeclinesAnythingButThreeCleanSegments) {
    const std::string header = base64Encode(R"({"alg":"HS256"})", true, false);
    const std::string payload = base64Encode(R"({"sub":"12"})", true, false);
    EXPECT_TRUE(decode(header + "." + payload + ".sig"));
    for (const std::string& text : {
             header + "." + payload,                        // two segments
             header + "." + payload + ".sig.more",          // four
             header + "." + payload + "..",                 // four, two empty
             "." + payload + ".sig",                        // empty header
             header + "..sig",                              // empty payload
             header + "." + payload + "A.sig",              // payload length 1 modulo 4 (17 characters)
             header + "." + payload.substr(0, 8) + " " + payload.substr(8) + ".sig",
             header + ".\n" + payload + ".sig",
             " " + header + "." + payload + ".sig",         // the detector does not trim
             token(R"({"alg":"HS256"})", R"(["not","an","object"])"),
             token(R"(["alg"])", R"({"sub":"1"})"),
             token(R"({"alg":"HS256"})", "{\"sub\":\"\xff\"}"),  // invalid UTF-8
             token(R"({"alg":"HS256")", R"({"sub":"1"})"),
             token("{\"alg\":\"HS256\"}\0x"sv, R"({"sub":"1"})"),  // a NUL, then more
             token(R"({"alg":"HS256"})", "\0{\"sub\":\"1\"}"sv),
             token(R"({"alg":"HS256"})", "{\"sub\":\"1\"}\0{}"sv),
             token("\"HS256\"", R"({"sub":"1"})"),
             std::string("a.b.c"), std::string(".."), std::string(),
         }) {
        EXPECT_FALSE(decode(text)) << text;
    }
    ASSERT_EQ(payload.size() % 4, 0u);

    // Cut anywhere before the second dot, a real token declines; after it, the signature is
    // never read, so the reading does not change.
    const std::string real = fixture("security/jwt-rs256.txt");
    const std::size_t secondDot = real.rfind('.');
    const std::string payloadText = decode(real)->output;
    for (std::size_t n = 0; n < real.size(); ++n) {
        const auto result = decode(real.substr(0, n));
        if (n <= secondDot) {
            EXPECT_FALSE(result) << n;
        } else {
            ASSERT_TRUE(result) << n;
            EXPECT_EQ(result->output, payloadText);
        }
    }
}

TEST_F(JWTDetectorTest, EngineRendersThePayloadNext) {
    const DecodeChain chain = inspect(fixture("security/jwt-hs256.txt") + "\n");
    EXPECT_EQ(chain.kinds(), (std::vector{DetectionKind::jwt, DetectionKind::json}));
    EXPECT_EQ(chain.steps.front().summary, "JWT (HS256), valid, expires in 2 hours");
    EXPECT_EQ(chain.finalValue(),
              "{\n  \"aud\" : \"orders-api\",\n  \"exp\" : 1767232800,\n  \"iat\" : 1767225600,\n"
              "  \"iss\" : \"https://login.example.test/\",\n  \"jti\" : \"b6f1c0de\",\n  \"nbf\" : 1767225600,\n"
              "  \"scope\" : \"orders:read\",\n  \"sub\" : \"user-42\"\n}");
}

} // namespace
} // namespace orvel
