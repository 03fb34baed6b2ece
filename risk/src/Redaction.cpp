#include "orvel/Redaction.h"

#include <algorithm>
#include <array>

#include "orvel/Credentials.h"
#include "orvel/Orvel.h"
#include "orvel/Risk.h"
#include "text/Patterns.h"

#include <fmt/format.h>
#include <openssl/evp.h>

namespace orvel {

Redactor::Redactor(std::vector<std::string> secrets) : m_secrets(std::move(secrets)) {
    std::erase_if(m_secrets, [](const std::string& secret) { return secret.size() < kShortestSecret; });
    // Longest first, so that a secret holding another (a hash holding its digest) goes whole.
    std::sort(m_secrets.begin(), m_secrets.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    m_secrets.erase(std::unique(m_secrets.begin(), m_secrets.end()), m_secrets.end());
}

std::string Redactor::fingerprint(std::string_view secret) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(secret.data(), secret.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 || length < 4) {
        return "sha256:?…";
    }
    return fmt::format("sha256:{:02x}{:02x}{:02x}{:02x}…", digest[0], digest[1], digest[2], digest[3]);
}

std::string Redactor::apply(std::string_view text) const {
    std::string result(text);
    for (const std::string& secret : m_secrets) {
        std::string replaced;
        std::string mark;
        std::size_t from = 0;
        for (std::size_t at; (at = result.find(secret, from)) != std::string::npos; from = at + secret.size()) {
            if (mark.empty()) mark = fingerprint(secret);
            replaced.append(result, from, at - from).append(mark);
        }
        if (from == 0) continue;
        replaced.append(result, from);
        result = std::move(replaced);
    }
    return result;
}

DecodeChain Redactor::apply(const DecodeChain& chain) const {
    DecodeChain copy{apply(chain.input), chain.steps};
    for (DecodeResult& step : copy.steps) {
        step.output = apply(step.output);
        step.summary = apply(step.summary);
        for (auto& [key, value] : step.details) value = apply(value);
    }
    return copy;
}

Redactor Redactor::forChain(const DecodeChain& chain, std::vector<std::string> secrets) {
    const RiskContext context = currentRiskContext();
    const auto sweep = [&](std::string_view text) {
        for (const Patterns::Id shape :
             {Patterns::Id::scanJWT, Patterns::Id::scanPasswordHash, Patterns::Id::scanPEM, Patterns::Id::scanHex}) {
            for (const TextRange& range : Patterns::compiled(shape).allMatches(text)) {
                const std::string_view candidate = text.substr(range.begin, range.end - range.begin);
                // The chain's own artifact is already judged, and re-reading it whole is the cost of a large body.
                if (candidate.size() == text.size()) continue;
                std::vector<std::string> found = assess(inspect(candidate), context).secrets;
                secrets.insert(secrets.end(), std::make_move_iterator(found.begin()),
                               std::make_move_iterator(found.end()));
            }
        }
        for (const CredentialFinding& credential : findCredentials(text))
            secrets.emplace_back(text.substr(credential.offset, credential.length));
    };
    sweep(chain.input);
    for (const DecodeResult& step : chain.steps) sweep(step.output);
    return Redactor(std::move(secrets));
}

} // namespace orvel
