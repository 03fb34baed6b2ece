// Redacted reports hide every secret the input holds: no stretch of 8 characters of a token
// signature, a private key body or a password-hash salt or digest survives in any output form.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orvel/Redaction.h"

namespace orvel {
namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Standard output of the program run on `input` (standard input) with `arguments`.
std::string runOrvel(const std::string& arguments, const std::string& input) {
    const auto in = std::filesystem::temp_directory_path() / ("orvel-redact-" + std::to_string(::getpid()));
    std::ofstream(in, std::ios::binary) << input;
    const std::string command = "ORVEL_NOW=1800000000 '" ORVEL_CLI_PATH "' " + arguments + " < '" + in.string() + "'";
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        ::pclose(pipe);
    }
    std::filesystem::remove(in);
    return output;
}

// The secrets of a fixture, found the plain way: a token's third segment, the lines between a
// private key's armour, a crypt string's last two fields (bcrypt's last field, salt and digest
// in one), a bare digest whole.
std::vector<std::string> secretsOf(const std::string& text) {
    std::vector<std::string> secrets;
    std::istringstream lines(text);
    bool inKey = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("-----BEGIN "))
            inKey = line.find("PRIVATE KEY") != std::string::npos;
        else if (line.starts_with("-----END "))
            inKey = false;
        else if (inKey && line.find(':') == std::string::npos)
            secrets.push_back(line);
    }
    if (text.starts_with("eyJ")) secrets.push_back(text.substr(text.rfind('.') + 1));
    if (text.starts_with("$")) {
        const std::size_t last = text.rfind('$');
        secrets.push_back(text.substr(last + 1));
        if (!text.starts_with("$2"))
            secrets.push_back(text.substr(text.rfind('$', last - 1) + 1, last - text.rfind('$', last - 1) - 1));
    }
    if (text.find_first_not_of("0123456789abcdef") == std::string::npos) secrets.push_back(text);
    return secrets;
}

std::vector<std::string> fixtures() {
    const std::filesystem::path data = ORVEL_TEST_DATA;
    std::vector<std::string> texts;
    for (const char* name : {"jwt-hs256.txt", "jwt-rs256.txt", "jwt-es256.txt", "jwt-none.txt", "ec-private.key.pem",
                             "rsa-private.key.pem", "legacy-encrypted.key.pem"}) {
        texts.push_back(slurp(data / "security" / name));
    }
    std::istringstream hashes(slurp(data / "security" / "password-hashes.txt"));
    for (std::string name, hash; hashes >> name >> hash;) texts.push_back(hash);
    std::istringstream digests(slurp(data / "security" / "digests.txt"));
    for (std::string digest, file; digests >> digest >> file;) texts.push_back(digest);
    return texts;
}

TEST(Redaction, NoEightCharactersOfAnySecretSurviveInAnyReport) {
    std::string log;
    for (const std::string& text : fixtures()) {
        const std::vector<std::string> secrets = secretsOf(text);
        ASSERT_FALSE(secrets.empty()) << text;
        log += "2026-06-07T09:17:41Z secret " + text + "\n";
        const std::vector<std::string> reports = {
            runOrvel("inspect --redact", text), runOrvel("inspect --redact --json", text),
            runOrvel("inspect --redact --prompt", text), runOrvel("audit --redact", text),
            runOrvel("audit --redact --json", text)};
        for (const std::string& secret : secrets) {
            for (std::size_t at = 0; at + 8 <= secret.size(); ++at) {
                for (const std::string& report : reports) {
                    ASSERT_EQ(report.find(secret.substr(at, 8)), std::string::npos)
                        << secret.substr(at, 8) << " of " << text << " in\n"
                        << report;
                }
            }
        }
    }
    // Every fixture in one log, scanned, and each nested in a JSON body, where the scanner finds
    // the body alone; the report without --redact does show them.
    for (const std::string& text : fixtures()) {
        if (!text.starts_with("-----")) log += "{\"nested\": {\"value\": \"" + text + "\"}}\n";
    }
    const std::string scanned = runOrvel("audit --scan --redact --json", log);
    const std::string plain = runOrvel("audit --scan --json", log);
    for (const std::string& text : fixtures()) {
        for (const std::string& secret : secretsOf(text)) {
            EXPECT_NE(plain.find(secret.substr(0, 8)), std::string::npos) << secret;
            for (std::size_t at = 0; at + 8 <= secret.size(); ++at)
                ASSERT_EQ(scanned.find(secret.substr(at, 8)), std::string::npos) << secret.substr(at, 8);
        }
    }
}

TEST(Redaction, FingerprintsAreStableShortAndLongestFirst) {
    EXPECT_EQ(Redactor::fingerprint("abc"), "sha256:ba7816bf…"); // SHA-256("abc") = ba7816bf…
    const Redactor redactor({"secret-digest", "digest", "tiny"});
    // The longer secret goes whole; one shorter than kShortestSecret is left alone.
    EXPECT_EQ(redactor.apply("a secret-digest and a digest, tiny"),
              "a " + Redactor::fingerprint("secret-digest") + " and a " + Redactor::fingerprint("digest") + ", tiny");
}

} // namespace
} // namespace orvel
