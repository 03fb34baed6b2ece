#include "detectors/HashDetector.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/TestData.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return HashDetector().decode(text); }

// name -> hash, as made by openssl passwd, mkpasswd, htpasswd and argon2.
std::map<std::string, std::string> realPasswordHashes() {
    std::map<std::string, std::string> hashes;
    std::istringstream lines(testing::readTestData("security/password-hashes.txt"));
    for (std::string name, hash; lines >> name >> hash;) hashes[name] = hash;
    return hashes;
}

const std::string adequateNote12 = "bcrypt with cost 12 — adequate work factor.";
const std::string raiseCost = "Raise the cost to ≥ 12 and re-hash on next login.";

TEST(HashDetector, NamesRealPasswordHashes) {
    const auto hashes = realPasswordHashes();
    ASSERT_EQ(hashes.size(), 10u);
    for (const auto& [name, hash] : hashes) EXPECT_TRUE(decode(hash)) << name;

    const auto bcrypt = decode(hashes.at("bcrypt-12"));
    ASSERT_TRUE(bcrypt);
    EXPECT_EQ(bcrypt->kind, DetectionKind::hash);
    EXPECT_EQ(bcrypt->output, hashes.at("bcrypt-12"));
    EXPECT_EQ(bcrypt->confidence, 0.93);
    EXPECT_TRUE(bcrypt->terminal);
    EXPECT_EQ(bcrypt->summary, "bcrypt password hash (cost 12)");
    EXPECT_EQ(bcrypt->details, (Details{{"scheme", "2b"}, {"cost", "12"}, {"algorithm", "bcrypt"}, {"security", adequateNote12}}));

    // The cost text is kept as written; the note reads it as a number.
    const auto lowCost = decode(hashes.at("bcrypt-05"));
    EXPECT_EQ(lowCost->summary, "bcrypt password hash (cost 05)");
    EXPECT_EQ(lowCost->details.at("cost"), "05");
    EXPECT_EQ(lowCost->details.at("security"), "bcrypt is solid, but cost 5 is low for modern hardware.");
    EXPECT_EQ(lowCost->details.at("recommendation"), raiseCost);

    const auto apache = decode(hashes.at("htpasswd-bcrypt-10"));
    EXPECT_EQ(apache->details.at("scheme"), "2y");
    EXPECT_EQ(apache->details.at("security"), "bcrypt with cost 10 — adequate work factor.");

    const auto md5 = decode(hashes.at("md5crypt"));
    EXPECT_EQ(md5->summary, "md5crypt password hash");
    EXPECT_EQ(md5->details, (Details{{"scheme", "1"}, {"algorithm", "md5crypt"},
                                     {"security", "md5crypt is MD5-based and fast to brute-force — considered weak."},
                                     {"recommendation", "Migrate to bcrypt or argon2id and re-hash on next login."}}));
    EXPECT_EQ(decode(hashes.at("sha512crypt"))->details.at("security"),
              "sha512crypt — acceptable with a high round count, though bcrypt/argon2 are preferred.");
    const auto yescrypt = decode(hashes.at("yescrypt"));
    EXPECT_EQ(yescrypt->summary, "yescrypt password hash");
    EXPECT_EQ(yescrypt->details.at("scheme"), "y");

    const auto argon2id = decode(hashes.at("argon2id"));
    EXPECT_EQ(argon2id->summary, "argon2id password hash");
    EXPECT_EQ(argon2id->details,
              (Details{{"scheme", "argon2id"}, {"algorithm", "argon2id"}, {"v", "19"}, {"m", "65536"}, {"t", "3"}, {"p", "4"},
                       {"security", "argon2id — memory-hard; current best practice for password hashing."}}));
    const auto argon2i = decode(hashes.at("argon2i"));
    EXPECT_EQ(argon2i->details.at("m"), "4096");
    EXPECT_EQ(argon2i->details.at("recommendation"), "Prefer argon2id for new password hashing.");
    EXPECT_EQ(decode(hashes.at("argon2d"))->details.at("security"),
              "argon2d — argon2id is generally preferred (resists both side-channel and GPU attacks).");
}

TEST(HashDetector, OnlyTheSchemeIsChecked) {
    const auto bare = decode("$2y$");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->summary, "bcrypt password hash (cost )");
    EXPECT_EQ(bare->details, (Details{{"scheme", "2y"}, {"cost", ""}, {"algorithm", "bcrypt"},
                                      {"security", "bcrypt — a sound, deliberately-slow password hash."}}));
    EXPECT_EQ(decode("$7$CU..../....$hash")->summary, "scrypt password hash");
    EXPECT_EQ(decode("$scrypt$ln=16,r=8,p=1$c2FsdA$aGFzaA")->details.at("algorithm"), "scrypt");

    const auto pbkdf2 = decode("$pbkdf2-sha512$25000$c2FsdA$aGFzaA");
    EXPECT_EQ(pbkdf2->summary, "PBKDF2 password hash (pbkdf2-sha512)");
    EXPECT_EQ(pbkdf2->details.at("prf"), "pbkdf2-sha512");
    EXPECT_EQ(pbkdf2->details.at("security"),
              "PBKDF2 — OK with a high iteration count, but GPU-friendlier than memory-hard KDFs.");

    // Later argon2 fields replace earlier keys; pairs without exactly one "=" are dropped.
    const auto argon = decode("$argon2id$v=16$m=1,t=2,p=3,x==,,k=v$m=9,t=8$v=19");
    EXPECT_EQ(argon->details.at("v"), "19");
    EXPECT_EQ(argon->details.at("m"), "9");
    EXPECT_EQ(argon->details.at("t"), "8");
    EXPECT_EQ(argon->details.at("p"), "3");
    EXPECT_EQ(argon->details.at("k"), "v");
    EXPECT_EQ(argon->details.count("x"), 0u);
    EXPECT_EQ(decode("$argon2i$m=1")->details.count("m"), 0u);  // no "t=": not a parameter field

    // Surrounding white space goes, from the output too.
    EXPECT_EQ(decode("  $1$salt$hash\n")->output, "$1$salt$hash");

    for (const char* text : {"$2B$12$abc", "$3$abc$def", "$argon2$v=19$m=1,t=1", "$2b", "$", "$$", "$6", "$md5$x$y",
                             "$ 2b$12$abc", "$Argon2id$v=19", "$PBKDF2$1$x"}) {
        EXPECT_FALSE(decode(text)) << text;
    }
}

TEST(HashDetector, GuessesBareDigestsByLength) {
    std::istringstream lines(testing::readTestData("security/digests.txt"));
    std::vector<std::string> sums;
    for (std::string sum, file; lines >> sum >> file;) sums.push_back(sum);
    ASSERT_EQ(sums.size(), 6u);  // md5sum, sha1sum, sha224sum, sha256sum, sha384sum, sha512sum
    const std::vector<std::string> summaries{
        "MD5 / MD4 / NTLM digest (128-bit)",          "SHA-1 / RIPEMD-160 digest (160-bit)",
        "SHA-224 / SHA3-224 digest (224-bit)",        "SHA-256 / SHA3-256 / BLAKE2s digest (256-bit)",
        "SHA-384 / SHA3-384 digest (384-bit)",        "SHA-512 / SHA3-512 / BLAKE2b digest (512-bit)"};
    for (std::size_t i = 0; i < sums.size(); ++i) {
        const auto result = decode(sums[i]);
        ASSERT_TRUE(result) << sums[i];
        EXPECT_EQ(result->summary, summaries[i]);
        EXPECT_EQ(result->confidence, 0.5);
        EXPECT_EQ(result->details.at("hex_len"), std::to_string(sums[i].size()));
    }

    std::string upper = sums[0];
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto md5 = decode(upper);
    EXPECT_EQ(md5->output, sums[0]);
    EXPECT_EQ(md5->details,
              (Details{{"bits", "128"}, {"candidates", "MD5 / MD4 / NTLM"}, {"hex_len", "32"},
                       {"security", "MD5 is cryptographically broken (practical collisions) — unsafe for signatures or passwords."},
                       {"recommendation", "If this guards data integrity/auth, move to SHA-256+; for passwords use bcrypt/argon2."}}));
    EXPECT_EQ(decode(sums[1])->details.at("security"), "SHA-1 is broken (collisions demonstrated) — deprecated for security use.");
    EXPECT_EQ(decode(sums[3])->details.at("security"), "A fast general-purpose digest — NOT a password hash.");

    for (const std::string& text : {sums[0].substr(1), sums[0] + "a", std::string(48, 'a'), "0x" + sums[1].substr(2),
                                    sums[0].substr(0, 16) + " " + sums[0].substr(17), sums[0].substr(0, 31) + "g",
                                    std::string(), std::string(32, ' ')}) {
        EXPECT_FALSE(decode(text)) << text;
    }
}

} // namespace
} // namespace orvel
