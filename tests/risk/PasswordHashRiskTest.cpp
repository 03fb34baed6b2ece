// Stored secrets: password hashes graded against OWASP's minimums (tests/data/risk/hashes, made
// by make-hashes.sh at and just past each threshold) and private keys (made by openssl and
// ssh-keygen).
#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "orvel/Risk.h"
#include "support/TestData.h"
#include "text/Text.h"

#include <map>
#include <sstream>

namespace orvel {
namespace {

using namespace testing;

const RiskContext context{.now = std::chrono::sys_seconds{std::chrono::seconds{1780790400}}, .lineTime = std::nullopt};

std::map<std::string, std::string> hashes() {
    std::map<std::string, std::string> byName;
    std::istringstream lines(readTestData("risk/hashes/hashes.txt"));
    for (std::string name, hash; lines >> name >> hash;) byName[name] = hash;
    return byName;
}

TEST(PasswordHashRisks, EachHashIsGradedAtItsThreshold) {
    // Every other hash of the fixture meets its minimum: bcrypt 10, sha512crypt without rounds or with
    // rounds=5000, argon2id m=19456 t=2 and the equivalent rows m=47104 t=1 and m=7168 t=5, scrypt
    // N=2^17 r=8, N=2^16 r=8 p=2 and N=2^15 r=32, PBKDF2 at each minimum, yescrypt, a bare SHA-256.
    const std::map<std::string, std::pair<std::string, std::string>> risky{
        {"bcrypt-9", {"hash.bcrypt-cost:medium", "bcrypt cost 9, under OWASP's minimum 10"}},
        {"htpasswd-bcrypt-9", {"hash.bcrypt-cost:medium", "bcrypt cost 9, under OWASP's minimum 10"}},
        {"md5crypt", {"hash.md5crypt:high", "md5crypt ($1$): a fixed 1000 MD5 rounds, broken"}},
        {"sha512crypt-4999",
         {"hash.sha-crypt-rounds:medium", "sha512crypt rounds=4999, under the scheme's default 5000"}},
        {"sha256crypt-4999", {"hash.sha-crypt-rounds:medium", "sha256crypt rounds=4999, under"}},
        {"argon2id-19455-2",
         {"hash.argon2id-parameters:medium", "argon2id m=19455 KiB, t=2, p=1: under OWASP's minimum"}},
        {"argon2id-7168-4", {"hash.argon2id-parameters:medium", "argon2id m=7168 KiB, t=4, p=1: under"}},
        {"argon2id-4096-2", {"hash.argon2id-parameters:medium", "argon2id m=4096 KiB, t=2, p=1: under"}},
        {"argon2i", {"hash.argon2-variant:low", "argon2i: use argon2id"}},
        {"argon2d", {"hash.argon2-variant:low", "argon2d: use argon2id"}},
        {"scrypt-7-N14-r32",
         {"hash.scrypt-parameters:medium", "scrypt N=2^14, r=32, p=1 (64 MiB): under OWASP's minimum"}},
        {"scrypt-ln16", {"hash.scrypt-parameters:medium", "scrypt N=2^16, r=8, p=1 (64 MiB): under"}},
        {"pbkdf2-sha256-599999",
         {"hash.pbkdf2-iterations:medium", "PBKDF2-HMAC-SHA256 with 599999 iterations, under OWASP's minimum 600000"}},
        {"pbkdf2-sha512-209999", {"hash.pbkdf2-iterations:medium", "PBKDF2-HMAC-SHA512 with 209999 iterations, under"}},
        {"pbkdf2-sha1-1299999", {"hash.pbkdf2-iterations:medium", "PBKDF2-HMAC-SHA1 with 1299999 iterations, under"}},
        {"md5-hex", {"hash.bare-digest:info", "not a password hash: a bare 32-hex-digit digest (MD5 / MD4 / NTLM)"}},
        {"sha1-hex", {"hash.bare-digest:info", "not a password hash: a bare 40-hex-digit digest"}},
    };
    const auto all = hashes();
    ASSERT_EQ(all.size(), 31u);
    for (const auto& [name, hash] : all) {
        const auto [expected, reason] = risky.contains(name) ? risky.at(name) : std::pair<std::string, std::string>{};
        const Assessment assessment = assess(inspect(hash), context);
        std::string risks;
        for (const Risk& risk : assessment.risks) risks += risk.id + ":" + std::string(severityName(risk.severity));
        EXPECT_EQ(risks, expected) << name;
        if (!assessment.risks.empty()) {
            EXPECT_TRUE(assessment.risks[0].reason.starts_with(reason)) << assessment.risks[0].reason;
        }
        // The salt and the digest end the hash, apart by a "$" (bcrypt writes them together);
        // a bare digest is one secret.
        if (hash.starts_with('$')) {
            ASSERT_EQ(assessment.secrets.size(), 2u) << name;
            const auto& [salt, digest] = std::pair(assessment.secrets[0], assessment.secrets[1]);
            EXPECT_TRUE(hash.ends_with("$" + salt + "$" + digest) || hash.ends_with(salt + "$" + digest) ||
                        hash.ends_with("$" + salt + digest))
                << name;
        } else {
            EXPECT_EQ(assessment.secrets, std::vector{hash});
        }
    }
}

TEST(PasswordHashRisks, EveryPrefixOfAHashIsAssessedWithoutHarm) {
    for (const auto& [name, hash] : hashes()) {
        for (std::size_t n = 0; n <= hash.size(); ++n) {
            for (const std::string& secret : assess(inspect(hash.substr(0, n)), context).secrets) {
                EXPECT_NE(hash.find(secret), std::string::npos) << name << " " << n;
            }
        }
    }
}

TEST(PrivateKeyRisks, EveryPrivateKeyIsSecretMaterialAndItsBodyIsHidden) {
    for (const char* file : {"security/rsa-private.key.pem", "security/ec-private.key.pem",
                             "risk/keys/encrypted-pkcs8.key.pem", "risk/keys/openssh-ed25519.key"}) {
        const std::string pem = readTestData(file);
        const Assessment assessment = assess(inspect(pem), context);
        const std::size_t bodyBegin = pem.find('\n') + 1;
        const std::string label = pem.substr(11, pem.find("-----", 11) - 11); // after "-----BEGIN "
        ASSERT_EQ(assessment.risks.size(), 1u) << file;
        EXPECT_EQ(assessment.risks[0].reason, "secret material: rotate it if it was shared (" + label + ")");
        EXPECT_EQ(assessment.risks[0].severity, RiskSeverity::high);
        EXPECT_EQ(assessment.secrets, std::vector{pem.substr(bodyBegin, pem.rfind("\n-----END") - bodyBegin)});
    }
    // Public material holds nothing secret (a certificate has risks of its own, none of them a key's).
    for (const char* file : {"security/rsa-public.key.pem", "security/request.csr.pem", "security/leaf-san.cert.pem"}) {
        const Assessment assessment = assess(inspect(readTestData(file)), context);
        EXPECT_TRUE(assessment.secrets.empty()) << file;
        for (const Risk& risk : assessment.risks) EXPECT_FALSE(risk.id.starts_with("key.")) << file << " " << risk.id;
    }
}

} // namespace
} // namespace orvel
