#include "Families.h"
#include "RiskText.h"
#include "text/Bytes.h"
#include "text/JSON.h"
#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace orvel::RiskFamilies {
namespace {

using std::chrono::seconds;
using std::chrono::sys_seconds;

constexpr seconds maxLifetime = std::chrono::hours{24};
// Claims are clamped to about 300,000 years either side of 1970: far enough that no real token
// is touched, near enough that differences of two claims cannot overflow.
constexpr double claimLimit = 1e13;
// Header values longer than this are described by their size rather than quoted.
constexpr std::size_t maxQuotedValue = 80;

struct HeaderParameter {
    std::string_view name;
    std::string_view id;
    RiskSeverity severity;
    bool namesKey; ///< names or embeds a public key, which an HMAC verifier could take as its secret
    std::string_view why;
    std::string_view reference;
};

// kid is only low: it selects among keys the verifier already trusts, and harms only a
// verifier that pastes it into a lookup unchecked; the others bring their own key.
constexpr std::array headerParameters{
    HeaderParameter{"jku", "token.header-jku", RiskSeverity::medium, true,
                    "a verifier that fetches keys from the token's own URL lets the sender choose the key",
                    "RFC 8725 §3.10"},
    HeaderParameter{"x5u", "token.header-x5u", RiskSeverity::medium, true,
                    "a verifier that fetches the certificate from the token's own URL lets the sender choose the key",
                    "RFC 8725 §3.10"},
    HeaderParameter{"jwk", "token.header-jwk", RiskSeverity::medium, true,
                    "a verifier that trusts the embedded key accepts tokens signed by whoever made that key",
                    "RFC 7515 §4.1.3"},
    HeaderParameter{"kid", "token.header-kid", RiskSeverity::low, false,
                    "a verifier that puts kid into key lookups, file paths or SQL can be steered by the sender",
                    "RFC 8725 §3.10"},
};

std::optional<JSON::Value> jsonObject(std::string_view text) {
    auto value = JSON::parse(text);
    if (!value || !value->is_object()) return std::nullopt;
    return value;
}

// The chain keeps only alg, typ and kid of the header, so the rest is read from the token again.
std::optional<JSON::Value> header(std::string_view token) {
    const auto bytes = Bytes::base64url(token.substr(0, token.find('.')));
    if (!bytes) return std::nullopt;
    return jsonObject(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// A numeric date claim in whole seconds, truncated toward the past as the chain's dates are.
std::optional<sys_seconds> dateClaim(const JSON::Value& payload, const char* name) {
    const auto member = payload.find(name);
    if (member == payload.end() || !member->is_number()) return std::nullopt;
    const double value = std::clamp(member->get<double>(), -claimLimit, claimLimit);
    return sys_seconds{seconds{static_cast<std::int64_t>(std::floor(value))}};
}

// A header value for a reason: a short string quoted, anything else by its JSON type.
std::string shown(const JSON::Value& value) {
    if (!value.is_string()) return fmt::format("(a JSON {})", value.type_name());
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() > maxQuotedValue) return fmt::format("(a {}-byte string)", text.size());
    std::string quoted;
    JSON::appendString(quoted, text, {});
    return quoted;
}

void algorithmRisks(const std::string& alg, const JSON::Value& head, Assessment& out) {
    std::string lower = alg;
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Verifiers that compare case-insensitively have been fooled by "None" and "NONE" too.
    if (lower == "none") {
        out.risks.push_back({"token.alg-none", RiskSeverity::high,
                             fmt::format("alg is \"{}\": the token is unsigned and anyone can forge it", alg),
                             "RFC 8725 §3.1"});
    }
    std::vector<std::string_view> keyParameters;
    for (const HeaderParameter& parameter : headerParameters) {
        const auto value = head.find(parameter.name);
        if (value == head.end()) continue;
        if (parameter.namesKey) keyParameters.push_back(parameter.name);
        out.risks.push_back({std::string(parameter.id), parameter.severity,
                             fmt::format("header names {} {}: {}", parameter.name, shown(*value), parameter.why),
                             std::string(parameter.reference)});
    }
    if (alg.starts_with("HS") && !keyParameters.empty()) {
        out.risks.push_back(
            {"token.alg-confusion", RiskSeverity::high,
             fmt::format("{} token whose header also names a key ({}): a verifier that lets the header choose the "
                         "algorithm may take that key as the HMAC secret, and anyone can sign with it",
                         alg, fmt::join(keyParameters, ", ")),
             "RFC 8725 §3.1"});
    }
}

void lifetimeRisks(const JSON::Value& payload, const RiskContext& context, Assessment& out) {
    const auto exp = dateClaim(payload, "exp");
    const auto iat = dateClaim(payload, "iat");
    const auto nbf = dateClaim(payload, "nbf");
    if (!exp) {
        out.risks.push_back(
            {"token.no-exp", RiskSeverity::medium, "no exp claim: the token never expires", "RFC 7519 §4.1.4"});
    } else if (iat && *exp - *iat > maxLifetime) {
        out.risks.push_back({"token.long-lifetime", RiskSeverity::medium,
                             fmt::format("lifetime {} (exp − iat = {} s) is over 24 h", RiskText::span(*exp - *iat),
                                         (*exp - *iat).count()),
                             "OWASP JSON Web Token Cheat Sheet"});
    }
    if (iat && *iat > context.now) {
        out.risks.push_back({"token.iat-in-future", RiskSeverity::medium,
                             fmt::format("issued in the future: iat is {} from now ({})",
                                         RiskText::span(*iat - context.now), RiskText::iso(*iat)),
                             "RFC 7519 §4.1.6"});
    }
    if (nbf && *nbf > context.now) {
        out.risks.push_back({"token.nbf-in-future", RiskSeverity::medium,
                             fmt::format("not yet valid: nbf is {} from now ({})", RiskText::span(*nbf - context.now),
                                         RiskText::iso(*nbf)),
                             "RFC 7519 §4.1.5"});
    }
    // Low: a verifier that checks exp already refuses the token, so it opens nothing by itself
    // any more; its signature is still hidden in redacted reports because the key that made it
    // may sign live tokens.
    if (exp && *exp < context.now) {
        out.risks.push_back({"token.expired", RiskSeverity::low,
                             fmt::format("expired {} ({})", RiskText::ago(*exp, context.now), RiskText::iso(*exp)),
                             "RFC 7519 §4.1.4"});
    }
    if (!context.lineTime) return;
    // At the logged moment: the question is whether the call on this line carried a token a
    // verifier should have accepted. A refusal is low (it explains a failure, or shows a verifier
    // that skipped the check); a token valid then and expired now is only worth saying.
    const LineTime& line = *context.lineTime;
    if (exp && *exp < line.instant) {
        out.risks.push_back(
            {"token.expired-at-line", RiskSeverity::low,
             fmt::format("expired {} before this line ({})", RiskText::span(line.instant - *exp), line.text),
             "RFC 7519 §4.1.4"});
    } else if (nbf && *nbf > line.instant) {
        out.risks.push_back({"token.not-yet-valid-at-line", RiskSeverity::low,
                             fmt::format("not yet valid at this line: nbf is {} after it ({})",
                                         RiskText::span(*nbf - line.instant), line.text),
                             "RFC 7519 §4.1.5"});
    } else if (exp && *exp < context.now) {
        out.risks.push_back({"token.valid-at-line", RiskSeverity::info,
                             fmt::format("valid at this line ({}); expired {} after it", line.text,
                                         RiskText::span(*exp - line.instant)),
                             "RFC 7519 §4.1.4"});
    }
}

} // namespace

void tokenRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context, Assessment& out) {
    const std::string_view token = Text::trimmed(stepInput);
    const auto head = header(token);
    const auto payload = jsonObject(step.output);
    if (!head || !payload) return;
    const auto alg = step.details.find("alg");
    algorithmRisks(alg == step.details.end() ? "?" : alg->second, *head, out);
    lifetimeRisks(*payload, context, out);
    const std::string_view signature = token.substr(token.rfind('.') + 1);
    if (token.find('.') != std::string_view::npos && !signature.empty()) out.secrets.emplace_back(signature);
}

} // namespace orvel::RiskFamilies
