#include "detectors/QueryStringDetector.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "orvel/Limits.h"
#include "security/OAuthErrors.h"
#include "text/Bytes.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {
namespace {

struct Pair {
    std::string_view key;   ///< as written
    std::string_view value; ///< as written, still percent-encoded
};

/// The pairs of `text` in input order, or nothing when any piece between "&"s is not a
/// key=value pair with a plain key, or when there are more than Limits::maxQueryStringPairs.
std::optional<std::vector<Pair>> pairsOf(std::string_view text) {
    std::vector<Pair> pairs;
    std::size_t start = 0;
    while (true) {
        if (pairs.size() == Limits::maxQueryStringPairs) return std::nullopt;
        const std::size_t end = std::min(text.find('&', start), text.size());
        const std::string_view piece = text.substr(start, end - start);
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = piece.substr(0, equals);
        if (key.empty() || !Patterns::compiled(Patterns::Id::queryPlainKey).matches(key)) return std::nullopt;
        pairs.push_back(Pair{key, piece.substr(equals + 1)});
        if (end == text.size()) break;
        start = end + 1;
    }
    if (pairs.size() < 2) return std::nullopt;
    return pairs;
}

/// A value percent-decoded, or as written when that fails.
std::string decoded(std::string_view raw) { return Bytes::percentDecoded(raw).value_or(std::string(raw)); }

} // namespace

std::optional<DecodeResult> QueryStringDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view query = Text::trimmed(text);
    // Prose has blanks and lines; a query string has neither (a tab is let through).
    if (query.find_first_of(" \n") != std::string_view::npos) return std::nullopt;
    auto pairs = pairsOf(query);
    if (!pairs) return std::nullopt;

    // The first error pair decides what the redirect means.
    const auto error = std::ranges::find(*pairs, std::string_view("error"), &Pair::key);
    const std::optional<std::string> errorCode =
        error == pairs->end() ? std::nullopt : std::optional(decoded(error->value));
    const auto info = errorCode ? OAuthErrors::lookup(*errorCode) : std::nullopt;

    // Sorted stably, equal keys keep their input order, and the details keep the last value.
    std::ranges::stable_sort(*pairs, {}, &Pair::key);
    const std::string count = std::to_string(pairs->size());
    Details details{{"pairs", count}};
    std::string output;
    for (const Pair& pair : *pairs) {
        std::string value = decoded(pair.value);
        if (!output.empty()) output += '\n';
        output.append(pair.key).append(" = ").append(value);
        details.insert_or_assign(std::string(pair.key), std::move(value));
    }

    std::string summary = "Query string (" + count + " pairs)";
    if (info) {
        details.insert_or_assign("error_meaning", info->meaning);
        details.insert_or_assign("likely_cause", info->likelyCause);
        details.insert_or_assign("next_step", info->nextStep);
        summary = "OAuth error: " + *errorCode + " — " + info->meaning;
        output += "\n\n→ " + info->meaning + "\nlikely cause: " + info->likelyCause + "\nnext step: " + info->nextStep;
    }

    return DecodeResult{
        .kind = DetectionKind::queryString,
        .output = std::move(output),
        .confidence = QueryStringDetector::kConfidence,
        .summary = std::move(summary),
        .details = std::move(details),
        .terminal = true,
    };
}

std::vector<TextShape> QueryStringDetector::acceptedShapes() const {
    return {{.alphabet = ~ByteSet(" \n"), .mustContain = ByteSet("&="), .firstBytes = ByteSet("A-Za-z0-9_.[]-")}};
}

} // namespace orvel
