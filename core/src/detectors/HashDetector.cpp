#include "detectors/HashDetector.h"

#include <map>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "security/Explainer.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel {
namespace {

struct DigestSize {
    int bits;
    std::string_view candidates;
};

// Keyed by the number of hexadecimal characters; no other length is taken for a digest.
const std::map<std::size_t, DigestSize>& digests() {
    static const std::map<std::size_t, DigestSize> table{
        {32, {128, "MD5 / MD4 / NTLM"}},   {40, {160, "SHA-1 / RIPEMD-160"}},
        {56, {224, "SHA-224 / SHA3-224"}}, {64, {256, "SHA-256 / SHA3-256 / BLAKE2s"}},
        {96, {384, "SHA-384 / SHA3-384"}}, {128, {512, "SHA-512 / SHA3-512 / BLAKE2b"}},
    };
    return table;
}

std::vector<std::string_view> split(std::string_view text, char separator, bool keepEmpty) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        const std::string_view piece =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (keepEmpty || !piece.empty()) pieces.push_back(piece);
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

// argon2 encodes "v=19" and "m=65536,t=3,p=4" as fields; every key=value pair of a field that
// names both memory and time is reported under its own key.
void parseArgon(const std::vector<std::string_view>& fields, Details& details) {
    for (const std::string_view field : fields) {
        if (field.starts_with("v=")) details["v"] = std::string(field.substr(2));
        if (field.find("m=") == std::string_view::npos || field.find("t=") == std::string_view::npos) continue;
        for (const std::string_view pair : split(field, ',', false)) {
            const auto parts = split(pair, '=', false);
            if (parts.size() == 2) details[std::string(parts[0])] = std::string(parts[1]);
        }
    }
}

std::optional<DecodeResult> cryptHash(std::string_view text) {
    const auto fields = split(text, '$', true);
    if (fields.size() < 3) return std::nullopt;
    const std::string scheme(fields[1]);
    Details details{{"scheme", scheme}};

    std::string algorithm;
    std::string summary;
    std::optional<std::string_view> cost;
    if (scheme == "2a" || scheme == "2b" || scheme == "2x" || scheme == "2y") {
        algorithm = "bcrypt";
        cost = fields[2];
        details["cost"] = std::string(fields[2]);
        summary = fmt::format("bcrypt password hash (cost {})", fields[2]);
    } else if (scheme == "1") {
        algorithm = "md5crypt";
    } else if (scheme == "5") {
        algorithm = "sha256crypt";
    } else if (scheme == "6") {
        algorithm = "sha512crypt";
    } else if (scheme == "argon2i" || scheme == "argon2d" || scheme == "argon2id") {
        algorithm = scheme;
        parseArgon(fields, details);
    } else if (scheme == "7" || scheme == "scrypt") {
        algorithm = "scrypt";
    } else if (scheme == "y") {
        algorithm = "yescrypt";
    } else if (scheme.starts_with("pbkdf2")) {
        algorithm = "pbkdf2";
        details["prf"] = scheme;
        summary = fmt::format("PBKDF2 password hash ({})", scheme);
    } else {
        return std::nullopt;
    }
    if (summary.empty()) summary = algorithm + " password hash";
    details["algorithm"] = algorithm;

    if (auto note = Explainer::passwordHashNote(algorithm, cost)) {
        details["security"] = std::move(note->note);
        if (note->nextStep) details["recommendation"] = std::move(*note->nextStep);
    }
    return DecodeResult{
        .kind = DetectionKind::hash,
        .output = std::string(text),
        .confidence = HashDetector::kConfidence,
        .summary = std::move(summary),
        .details = std::move(details),
        .terminal = true,
    };
}

std::optional<DecodeResult> bareDigest(std::string_view text) {
    // The length is checked first only because it is cheaper; both must hold.
    const auto size = digests().find(text.size());
    if (size == digests().end() || !Patterns::compiled(Patterns::Id::hexDigits).matches(text)) return std::nullopt;

    const auto [bits, candidates] = size->second;
    Explainer::Note note = Explainer::digestNote(bits);
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    }
    Details details{
        {"bits", std::to_string(bits)},
        {"candidates", std::string(candidates)},
        {"hex_len", std::to_string(text.size())},
        {"security", std::move(note.note)},
    };
    if (note.nextStep) details["recommendation"] = std::move(*note.nextStep);
    return DecodeResult{
        .kind = DetectionKind::hash,
        .output = std::move(lower),
        // At the engine's threshold: accepted, but any more confident reading wins.
        .confidence = 0.5,
        .summary = fmt::format("{} digest ({}-bit)", candidates, bits),
        .details = std::move(details),
        .terminal = true,
    };
}

} // namespace

std::optional<DecodeResult> HashDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view candidate = Text::trimmed(text);
    if (candidate.starts_with('$')) return cryptHash(candidate);
    return bareDigest(candidate);
}

std::vector<TextShape> HashDetector::acceptedShapes() const {
    return {{.firstBytes = ByteSet("$")}, {.alphabet = ByteSet("0-9a-fA-F")}};
}

} // namespace orvel
