// The certificate family: what the risk layer says about certificates openssl made.
#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "orvel/Risk.h"
#include "support/Base64Encode.h"
#include "support/TestData.h"
#include "text/Bytes.h"

namespace orvel {
namespace {

using namespace std::chrono;

// The fixtures were made on 2026-12-06 at 07:37 UTC; each is judged a day later unless a test pins another moment.
constexpr sys_seconds madeDayAfter = sys_days{2026y / December / 7};
// The chain leaf's validity, as `openssl x509 -dates` prints it.
constexpr sys_seconds leafNotBefore = sys_days{2026y / December / 6} + 7h + 37min + 19s;
constexpr sys_seconds leafNotAfter = sys_days{2027y / March / 6} + 7h + 37min + 19s;

std::string certificate(std::string_view name) {
    return testing::readTestData("risk/certs/" + std::string(name) + ".cert.pem");
}

// Each risk as "severity id: reason".
std::vector<std::string> risksOf(std::string_view text, sys_seconds now, std::optional<LineTime> line = {}) {
    std::vector<std::string> lines;
    for (const Risk& risk : assess(inspect(text), RiskContext{now, std::move(line)}).risks) {
        lines.push_back(std::string(severityName(risk.severity)) + " " + risk.id + ": " + risk.reason);
    }
    return lines;
}

TEST(CertificateRisks, NameWhatIsWeakInRealCertificates) {
    using Lines = std::vector<std::string>;
    const auto selfSigned = [](const std::string& cn) {
        return "medium certificate.self-signed: self-signed leaf (CN=" + cn +
               "): no certificate authority vouches for it";
    };
    const std::pair<std::string, Lines> cases[] = {
        // The openssl one-liner with -sha1 and rsa:1024 (a root, as req -x509 makes by default).
        {"sha1-rsa1024",
         {"high certificate.weak-signature: signed with sha1WithRSAEncryption (its digest's collisions are practical)",
          "high certificate.weak-key: RSA key of 1024 bits (minimum 2048)"}},
        {"chain-leaf", {}},
        {"chain-intermediate", {}},
        {"chain-root", {}},
        {"ec-p256", {selfSigned("ec.example.test")}},
        {"ec-p224",
         {"high certificate.weak-key: EC key on P-224 of 224 bits (minimum 256)", selfSigned("p224.example.test")}},
        {"leaf-398-days", {selfSigned("days398.example.test")}},
        {"leaf-399-days",
         {"medium certificate.validity-too-long: valid for 399 days (leaf maximum 398)",
          selfSigned("days399.example.test")}},
        {"wildcard",
         {selfSigned("example.test"),
          "low certificate.wildcard: wildcard names: *.example.test (one key serves every matching host)"}},
        {"cn-only",
         {"medium certificate.cn-only: names itself only in its common name (CN=cn-only.example.test), with no DNS "
          "name in subjectAltName",
          "medium certificate.self-signed: self-signed leaf (CN=cn-only.example.test, O=Orvel Test): no certificate "
          "authority vouches for it"}},
    };
    for (const auto& [name, expected] : cases) {
        // Inside other text too, as a scan or a paste would give it.
        EXPECT_EQ(risksOf("log: " + certificate(name) + " end", madeDayAfter), expected) << name;
    }
}

TEST(CertificateRisks, JudgeValidityNowAndAtTheLineOnBothSidesOfEachInstant) {
    const std::string leaf = certificate("chain-leaf");
    using Lines = std::vector<std::string>;
    EXPECT_EQ(risksOf(leaf, leafNotAfter), Lines{});
    EXPECT_EQ(risksOf(leaf, leafNotAfter + 1s),
              Lines{"high certificate.expired: expired 1 second ago (2027-03-06T07:37:19Z)"});
    EXPECT_EQ(risksOf(leaf, leafNotBefore), Lines{});
    EXPECT_EQ(risksOf(leaf, leafNotBefore - 1s),
              Lines{"high certificate.not-yet-valid: not yet valid: starts in 1 s (2026-12-06T07:37:19Z)"});
    // Valid now; the log line's own moment is judged too, at the instant and just past it.
    EXPECT_EQ(risksOf(leaf, madeDayAfter, LineTime{leafNotAfter, "2027-03-06T07:37:19Z"}), Lines{});
    EXPECT_EQ(risksOf(leaf, madeDayAfter, LineTime{leafNotAfter + 3min, "2027-03-06T07:40:19Z"}),
              Lines{"high certificate.expired: expired 3 min before this line (2027-03-06T07:40:19Z)"});
    EXPECT_EQ(risksOf(leaf, madeDayAfter, LineTime{leafNotBefore - days{2}, "2026-12-04T07:37:19Z"}),
              Lines{"high certificate.not-yet-valid: not yet valid at this line (2026-12-04T07:37:19Z): starts 2 days "
                    "later"});
}

TEST(CertificateRisks, TruncatedCertificatesDeclineCleanly) {
    std::string body;
    std::istringstream lines(certificate("sha1-rsa1024"));
    for (std::string line; std::getline(lines, line);) body += line.starts_with("-----") ? "" : line;
    const ByteString der = Bytes::base64(body).value();
    // Every proper prefix, re-armoured: the chain still shows a PEM block, the family says nothing.
    for (std::size_t n = 0; n < der.size(); ++n) {
        const std::string prefix(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(n));
        const std::string pem =
            "-----BEGIN CERTIFICATE-----\n" + testing::base64Encode(prefix) + "\n-----END CERTIFICATE-----\n";
        EXPECT_TRUE(assess(inspect(pem), RiskContext{madeDayAfter, {}}).risks.empty()) << n;
    }
}

} // namespace
} // namespace orvel
