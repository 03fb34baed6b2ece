#include "detectors/JWTDetector.h"

#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "security/Explainer.h"
#include "text/Bytes.h"
#include "text/Instant.h"
#include "text/JSON.h"

namespace orvel {
namespace {

std::optional<JSON::Value> jsonObject(const ByteString& bytes) {
    auto value = JSON::parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!value || !value->is_object()) return std::nullopt;
    return value;
}

std::optional<std::string> stringMember(const JSON::Value& object, const char* name) {
    const auto member = object.find(name);
    if (member == object.end() || !member->is_string()) return std::nullopt;
    return member->get<std::string>();
}

// Numbers only: a string of digits is not a time.
std::optional<double> numericClaim(const JSON::Value& payload, const char* name) {
    const auto member = payload.find(name);
    if (member == payload.end() || !member->is_number()) return std::nullopt;
    return member->get<double>();
}

} // namespace

std::optional<DecodeResult> JWTDetector::decodeWith(std::string_view text, const DecodeContext& context) const {
    // Exactly two dots; the signature may be empty ("none" tokens end with the second dot).
    const std::size_t firstDot = text.find('.');
    if (firstDot == std::string_view::npos) return std::nullopt;
    const std::size_t secondDot = text.find('.', firstDot + 1);
    if (secondDot == std::string_view::npos || text.find('.', secondDot + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view headerSegment = text.substr(0, firstDot);
    const std::string_view payloadSegment = text.substr(firstDot + 1, secondDot - firstDot - 1);
    if (headerSegment.empty() || payloadSegment.empty()) return std::nullopt;

    const auto headerBytes = Bytes::base64url(headerSegment);
    if (!headerBytes) return std::nullopt;
    const auto header = jsonObject(*headerBytes);
    if (!header) return std::nullopt;
    const auto payloadBytes = Bytes::base64url(payloadSegment);
    if (!payloadBytes) return std::nullopt;
    auto payloadText = Bytes::utf8Text(*payloadBytes);
    if (!payloadText) return std::nullopt;
    const auto payload = jsonObject(*payloadBytes);
    if (!payload) return std::nullopt;

    const std::string alg = stringMember(*header, "alg").value_or("?");
    Details details{{"alg", alg}};
    if (auto note = Explainer::jwtAlgNote(alg)) details["alg_note"] = std::move(*note);
    if (auto typ = stringMember(*header, "typ")) details["typ"] = std::move(*typ);
    if (auto kid = stringMember(*header, "kid")) details["kid"] = std::move(*kid);
    std::vector<std::string> summary{"JWT (" + alg + ")"};

    if (const auto exp = numericClaim(*payload, "exp")) {
        // Beyond year 9999 there is no ISO 8601 text, but the verdict and distance still hold.
        if (auto instant = Instant::iso8601(*exp)) details["exp"] = std::move(*instant);
        // Verdict and distance are measured from the one instant, so that they agree even at
        // the very second of expiry.
        const bool expired = *exp < context.now;
        details["expired"] = expired ? "true" : "false";
        if (auto relative = Explainer::relativeTime(*exp - context.now)) {
            summary.push_back(expired ? "EXPIRED (" + *relative + ")" : "valid, expires " + *relative);
            details["exp_relative"] = std::move(*relative);
        }
    }
    for (const char* claim : {"iat", "nbf"}) {
        if (const auto seconds = numericClaim(*payload, claim)) {
            if (auto instant = Instant::iso8601(*seconds)) details[claim] = std::move(*instant);
        }
    }
    for (const char* claim : {"sub", "iss", "aud"}) {
        if (auto value = stringMember(*payload, claim)) details[claim] = std::move(*value);
    }
    for (const char* claim : {"iss", "sub", "aud", "exp", "nbf", "iat", "jti"}) {
        if (!payload->contains(claim)) continue;
        if (auto meaning = Explainer::jwtClaim(claim)) details[std::string(claim) + "_meaning"] = std::move(*meaning);
    }

    return DecodeResult{
        .kind = DetectionKind::jwt,
        .output = std::move(*payloadText),
        .confidence = JWTDetector::kConfidence,
        .summary = fmt::format("{}", fmt::join(summary, ", ")),
        .details = std::move(details),
        .terminal = false,
    };
}

std::vector<TextShape> JWTDetector::acceptedShapes() const { return {{.mustContain = ByteSet(".")}}; }

} // namespace orvel
