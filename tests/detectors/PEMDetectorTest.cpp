#include "detectors/PEMDetector.h"

#include <gtest/gtest.h>

#include "orvel/Clock.h"
#include "support/Base64Encode.h"
#include "support/DERBuilder.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using namespace testing;

std::optional<DecodeResult> decode(std::string_view text) { return PEMDetector().decode(text); }

std::string pem(std::string_view label, const ByteString& der, std::string_view lineEnd = "\n") {
    const std::string body = base64Encode(std::string_view(reinterpret_cast<const char*>(der.data()), der.size()));
    std::string text = "-----BEGIN " + std::string(label) + "-----" + std::string(lineEnd);
    for (std::size_t i = 0; i < body.size(); i += 64) text += body.substr(i, 64) + std::string(lineEnd);
    return text + "-----END " + std::string(label) + "-----";
}

class PEMDetectorTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::pin(1'780'000'000); }  // 2026-05-28T20:26:40Z
    void TearDown() override { Clock::pin(std::nullopt); }
};

// Sizes are what `openssl ... -outform DER | wc -c` printed (tests/data/security/openssl-facts.txt).
TEST_F(PEMDetectorTest, KeysAndRequestsGiveLabelAndSize) {
    const struct {
        const char* file;
        const char* label;
        const char* bytes;
    } cases[] = {
        {"security/rsa-private.key.pem", "PRIVATE KEY", "1219"},
        {"security/rsa-public.key.pem", "PUBLIC KEY", "294"},
        {"security/ec-private.key.pem", "EC PRIVATE KEY", "121"},
        {"security/request.csr.pem", "CERTIFICATE REQUEST", "612"},  // well-formed DER, still generic
    };
    for (const auto& c : cases) {
        const auto result = decode(readTestData(c.file));
        ASSERT_TRUE(result) << c.file;
        EXPECT_EQ(result->kind, DetectionKind::pem);
        EXPECT_EQ(result->confidence, 0.95);
        EXPECT_TRUE(result->terminal);
        EXPECT_EQ(result->output, std::string(c.label) + " — " + c.bytes + " bytes DER");
        EXPECT_EQ(result->summary, "PEM: " + std::string(c.label) + " (" + c.bytes + " bytes DER)");
        EXPECT_EQ(result->details, (Details{{"label", c.label}, {"der_bytes", c.bytes}}));
    }
    // Header lines with colons and commas are not base64: the armour does not match.
    EXPECT_FALSE(decode(readTestData("security/legacy-encrypted.key.pem")));
}

TEST_F(PEMDetectorTest, CertificatesGiveTheirFacts) {
    const auto leaf = decode(readTestData("security/leaf-san.cert.pem"));
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->summary, "X.509 certificate (CN=internal-api) valid (not expired)");
    EXPECT_EQ(leaf->output,
              "subject: CN=internal-api\nissuer: CN=internal-api\nnotBefore: 2026-12-05T17:49:33Z\n"
              "notAfter: 2029-03-09T17:49:33Z valid (not expired)\n"
              "SAN: internal-api, api.example.test, *.svc.example.test");
    EXPECT_EQ(leaf->details, (Details{{"label", "CERTIFICATE"}, {"der_bytes", "521"}, {"subject_cn", "internal-api"},
                                      {"issuer_cn", "internal-api"}, {"not_before", "2026-12-05T17:49:33Z"},
                                      {"not_after", "2029-03-09T17:49:33Z"}, {"expired", "false"},
                                      {"san_dns", "internal-api, api.example.test, *.svc.example.test"}}));

    // No common name: a question mark in the summary, no subject line or key.
    const auto starfield = decode(readTestData("security/ca-starfield-class2.cert.pem"));
    EXPECT_EQ(starfield->summary, "X.509 certificate (CN=?) valid (not expired)");
    EXPECT_EQ(starfield->output, "notBefore: 2004-06-29T17:39:16Z\nnotAfter: 2034-06-29T17:39:16Z valid (not expired)");
    EXPECT_EQ(starfield->details.count("subject_cn"), 0u);

    // The verdict turns strictly after notAfter.
    const std::string isrg = readTestData("security/ca-isrg-root-x1.cert.pem");
    Clock::pin(2064567878);  // 2035-06-04T11:04:38Z
    EXPECT_EQ(decode(isrg)->summary, "X.509 certificate (CN=ISRG Root X1) valid (not expired)");
    Clock::pin(2064567879);
    const auto expired = decode(isrg);
    EXPECT_EQ(expired->summary, "X.509 certificate (CN=ISRG Root X1) EXPIRED");
    EXPECT_EQ(expired->details.at("expired"), "true");
    EXPECT_EQ(expired->details.at("der_bytes"), "1391");
    EXPECT_NE(expired->output.find("\nnotAfter: 2035-06-04T11:04:38Z EXPIRED"), std::string::npos);
}

TEST_F(PEMDetectorTest, TakesTheFirstWellFormedBlockAnywhere) {
    const std::string leaf = readTestData("security/leaf-san.cert.pem");
    const std::string key = readTestData("security/rsa-public.key.pem");
    const auto inLog = decode("2026-05-28 ERROR tls: bad peer cert " + leaf + "\nand then " + key);
    EXPECT_EQ(inLog->details.at("subject_cn"), "internal-api");
    EXPECT_EQ(decode(key + leaf)->details.at("label"), "PUBLIC KEY");

    // CR LF line ends; labels with blanks at the ends are trimmed after matching.
    const ByteString someBytes(40, 0x5A);
    EXPECT_EQ(decode(pem("PUBLIC KEY", someBytes, "\r\n"))->details.at("der_bytes"), "40");
    EXPECT_EQ(decode(pem(" X9 KEY ", someBytes))->details.at("label"), "X9 KEY");

    // A mismatched END label is no block, unless a later one is well formed.
    std::string mismatched = pem("PUBLIC KEY", someBytes);
    mismatched.replace(mismatched.rfind("PUBLIC KEY"), 10, "PRIVATE KEY");
    EXPECT_FALSE(decode(mismatched));
    EXPECT_EQ(decode(mismatched + "\n" + key)->details.at("der_bytes"), "294");

    EXPECT_FALSE(decode(pem("public key", someBytes)));
    EXPECT_FALSE(decode("-----BEGIN KEY-----\n-----END KEY-----"));            // empty body
    EXPECT_FALSE(decode("-----BEGIN KEY-----\nQUJD=REVG\n-----END KEY-----"));  // "=" in the middle
    EXPECT_FALSE(decode("-----BEGIN KEY-----\nQUJDRA\n-----END KEY-----"));      // padding missing

    // Every prefix of a block declines: the END line is what closes it.
    const std::string block = key.substr(0, key.find_last_not_of('\n') + 1);
    for (std::size_t n = 0; n < block.size(); ++n) EXPECT_FALSE(decode(block.substr(0, n))) << n;
    EXPECT_TRUE(decode(block));
}

TEST_F(PEMDetectorTest, UnreadableCertificatesFallBackOrShrink) {
    // Base64 of bytes that are no certificate: generic, with label and size.
    const auto notACertificate = decode(pem("TRUSTED CERTIFICATE", ByteString{0x04, 0x02, 0x01, 0x02}));
    EXPECT_EQ(notACertificate->output, "TRUSTED CERTIFICATE — 4 bytes DER");

    const ByteString issuer = sequence({commonNameRDN("Issuer")});
    const ByteString subject = sequence({commonNameRDN("leaf")});
    // Unreadable validity: no dates, no verdict after the parenthesis.
    const auto noDates = decode(pem("X509 CERTIFICATE", v3Certificate(issuer, sequence({}), subject)));
    EXPECT_EQ(noDates->summary, "X.509 certificate (CN=leaf)");
    EXPECT_EQ(noDates->output, "subject: CN=leaf\nissuer: CN=Issuer");
    EXPECT_EQ(noDates->details.count("expired"), 0u);

    // A certificate with no facts at all.
    const auto empty = decode(pem("CERTIFICATE", v3Certificate(sequence({}), sequence({}), sequence({}))));
    EXPECT_EQ(empty->output, "");
    EXPECT_EQ(empty->summary, "X.509 certificate (CN=?)");
    EXPECT_EQ(empty->details.size(), 2u);

    const ByteString extensions = der(0xA3, sequence({subjectAltNameExtension({dnsName("a.test"), dnsName("b.test"), dnsName("c.test")})}));
    const auto threeNames = decode(pem("CERTIFICATE", v3Certificate(issuer, sequence({utcTime("200101000000Z"), utcTime("210101000000Z")}), subject, extensions)));
    EXPECT_EQ(threeNames->details.at("san_dns"), "a.test, b.test, c.test");
    EXPECT_EQ(threeNames->summary, "X.509 certificate (CN=leaf) EXPIRED");
    EXPECT_EQ(threeNames->output, "subject: CN=leaf\nissuer: CN=Issuer\nnotBefore: 2020-01-01T00:00:00Z\n"
                                  "notAfter: 2021-01-01T00:00:00Z EXPIRED\nSAN: a.test, b.test, c.test");
}

} // namespace
} // namespace orvel
