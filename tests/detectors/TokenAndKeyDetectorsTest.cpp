// Credentials: JWTs, PEM blocks and password hashes or digests. Their notes are the Explainer's
// and their full details are recorded in the golden corpus; these tests hold what decides them.
#include <gtest/gtest.h>

#include "detectors/HashDetector.h"
#include "detectors/JWTDetector.h"
#include "detectors/PEMDetector.h"
#include "orvel/Clock.h"
#include "support/Base64Encode.h"
#include "support/DERBuilder.h"
#include "support/Readings.h"
#include "support/TestData.h"
#include "text/Text.h"

namespace orvel {
namespace {

using namespace std::string_view_literals;
using namespace testing;

std::string token(std::string_view header, std::string_view payload, std::string_view signature = "c2ln") {
    return base64Encode(header, true, false) + "." + base64Encode(payload, true, false) + "." + std::string(signature);
}

constexpr double expires = 1767232800; // 2026-01-01T02:00:00Z

TEST(JWTDetector, ExpiryTurnsStrictlyAfterTheInstant) {
    const std::string atExp = token(R"({"alg":"HS256"})", R"({"exp":1767232800})");
    for (const auto& [now, summary] : {std::pair{expires, "JWT (HS256), valid, expires in 0 seconds"},
                                       {expires + 0.5, "JWT (HS256), EXPIRED (1 second ago)"}}) {
        Clock::pin(now);
        EXPECT_EQ(JWTDetector().decode(atExp)->summary, summary) << now;
    }
    Clock::pin(std::nullopt);
    // Fractional numbers count. The golden corpus holds claims that give no date: a string of
    // digits, null, and numbers past year 9999 (which keep a verdict and a clamped distance).
    expectReadings(JWTDetector(), {{token("{}", R"({"exp":1767232800.9})"), "2026-01-01T02:00:00Z"}}, detail("exp"));
    EXPECT_FALSE(JWTDetector().decode(token("{}", R"({"exp":1e400})"))); // no double holds it: the JSON reader refuses
}

TEST(JWTDetector, HeaderFieldsAreReportedAsWrittenWhenTheyAreStrings) {
    // In the standard alphabet too.
    expectReadings(JWTDetector(),
                   {{token(R"({"alg":"NONE"})", "{}", ""), "NONE"},
                    {base64Encode(R"({"alg":"HS256"})") + "." + base64Encode("{}") + ".", "HS256"}},
                   detail("alg"));
    const auto odd = JWTDetector().decode(token(R"({"alg":null,"typ":7,"kid":["k"]})", "{}"));
    EXPECT_EQ(odd->details, (Details{{"alg", "?"}}));
}

TEST(JWTDetector, DeclinesAnythingButThreeCleanSegments) {
    const std::string header = base64Encode(R"({"alg":"HS256"})", true, false);
    const std::string payload = base64Encode(R"({"sub":"12"})", true, false);
    ASSERT_EQ(payload.size() % 4, 0u);
    EXPECT_EQ(JWTDetector().decode(header + "." + payload + ".sig")->output, R"({"sub":"12"})");
    // Two or four segments, an empty header or payload, a payload of length 1 modulo 4, blanks
    // (the detector does not trim), segments that are not JSON objects or not UTF-8, and NULs.
    const std::string spaced = payload.substr(0, 8) + " " + payload.substr(8);
    expectDeclines(JWTDetector(),
                   {header + "." + payload, header + "." + payload + ".sig.more", "." + payload + ".sig",
                    header + "..sig", header + "." + payload + "A.sig", header + "." + spaced + ".sig",
                    " " + header + "." + payload + ".sig", token(R"({"alg":"HS256"})", R"(["not","an","object"])"),
                    token(R"({"alg":"HS256"})", "{\"sub\":\"\xff\"}"), token(R"({"alg":"HS256")", R"({"sub":"1"})"),
                    token("\"HS256\"", R"({"sub":"1"})"), token("{\"alg\":\"HS256\"}\0x"sv, R"({"sub":"1"})"),
                    token(R"({"alg":"HS256"})", "{\"sub\":\"1\"}\0{}"sv)});
    // Cut anywhere before the second dot, a real token declines; after it, the signature is
    // never read, so the reading does not change.
    const std::string real(Text::trimmed(readTestData("security/jwt-rs256.txt")));
    const std::string payloadText = JWTDetector().decode(real)->output;
    for (std::size_t n = 0; n < real.size(); ++n) {
        const auto result = JWTDetector().decode(real.substr(0, n));
        EXPECT_EQ(result ? std::optional(result->output) : std::nullopt,
                  n <= real.rfind('.') ? std::nullopt : std::optional(payloadText))
            << n;
    }
}

std::string pem(std::string_view label, const ByteString& der, std::string_view lineEnd = "\n") {
    const std::string body = base64Encode(std::string_view(reinterpret_cast<const char*>(der.data()), der.size()));
    std::string text = "-----BEGIN " + std::string(label) + "-----" + std::string(lineEnd);
    for (std::size_t i = 0; i < body.size(); i += 64) text += body.substr(i, 64) + std::string(lineEnd);
    return text + "-----END " + std::string(label) + "-----";
}

TEST(PEMDetector, RealKeysAndCertificates) {
    // The golden corpus holds the keys and the request. Header lines with colons and commas are
    // not base64: the armour does not match.
    EXPECT_FALSE(PEMDetector().decode(readTestData("security/legacy-encrypted.key.pem")));
    // A certificate's verdict turns strictly after notAfter (2035-06-04T11:04:38Z).
    const std::string isrg = readTestData("security/ca-isrg-root-x1.cert.pem");
    for (const auto& [now, expired] : {std::pair{2064567878.0, "false"}, {2064567879.0, "true"}}) {
        Clock::pin(now);
        EXPECT_EQ(PEMDetector().decode(isrg)->details.at("expired"), expired) << now;
    }
    Clock::pin(std::nullopt);
}

TEST(PEMDetector, TakesTheFirstWellFormedBlockAnywhere) {
    const std::string leaf = readTestData("security/leaf-san.cert.pem");
    const std::string key = readTestData("security/rsa-public.key.pem");
    const ByteString someBytes(40, 0x5A);
    std::string mismatched = pem("PUBLIC KEY", someBytes);
    mismatched.replace(mismatched.rfind("PUBLIC KEY"), 10, "PRIVATE KEY");
    expectReadings(PEMDetector(),
                   {{"2026-05-28 ERROR tls: bad peer cert " + leaf + "\nand then " + key, "521"},
                    {key + leaf, "294"},
                    {pem("PUBLIC KEY", someBytes, "\r\n"), "40"},
                    {mismatched + "\n" + key, "294"}}, // a mismatched END label is no block; a later one is
                   detail("der_bytes"));
    // A mismatched END label, a lower-case label, an empty body, "=" in the middle, padding missing.
    expectDeclines(PEMDetector(), {mismatched, pem("public key", someBytes), "-----BEGIN KEY-----\n-----END KEY-----",
                                   "-----BEGIN KEY-----\nQUJD=REVG\n-----END KEY-----",
                                   "-----BEGIN KEY-----\nQUJDRA\n-----END KEY-----"});
    // Blanks at the ends of a label are trimmed after matching.
    EXPECT_EQ(PEMDetector().decode(pem(" X9 KEY ", someBytes))->details.at("label"), "X9 KEY");
    // Every prefix of a block declines: the END line is what closes it.
    const std::string block(Text::trimmed(key));
    for (std::size_t n = 0; n < block.size(); ++n) EXPECT_FALSE(PEMDetector().decode(block.substr(0, n))) << n;
}

// The golden corpus holds what an unreadable certificate falls back or shrinks to.
TEST(HashDetector, OnlyTheSchemeIsChecked) {
    // The golden corpus holds every scheme's summary.
    const std::string md5 = "d41d8cd98f00b204e9800998ecf8427e";
    // Surrounding white space goes, from the output too, and digests are written in lower case.
    expectReadings(HashDetector(), {{"  $1$salt$hash\n", "$1$salt$hash"}, {"D41D8CD98F00B204E9800998ECF8427E", md5}});
    expectDeclines(HashDetector(),
                   {"$2B$12$abc", "$3$abc$def", "$argon2$v=19$m=1,t=1", "$2b", "$", "$md5$x$y", "$ 2b$12$abc",
                    "$Argon2id$v=19", "$PBKDF2$1$x", md5.substr(1), md5 + "a", std::string(48, 'a'),
                    "0x" + md5.substr(2), md5.substr(0, 16) + " " + md5.substr(17), md5.substr(0, 31) + "g"});
    // Later argon2 fields replace earlier keys; pairs without exactly one "=" are dropped; a field
    // without "t=" is not a parameter field.
    Details argon = HashDetector().decode("$argon2id$v=16$m=1,t=2,p=3,x==,,k=v$m=9,t=8$v=19")->details;
    for (const char* named : {"algorithm", "scheme", "security"}) argon.erase(named);
    EXPECT_EQ(argon, (Details{{"v", "19"}, {"m", "9"}, {"t", "8"}, {"p", "3"}, {"k", "v"}}));
    EXPECT_FALSE(HashDetector().decode("$argon2i$m=1")->details.contains("m"));
}

} // namespace
} // namespace orvel
