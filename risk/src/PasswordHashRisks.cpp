#include "Families.h"
#include "text/Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace orvel::RiskFamilies {
namespace {

constexpr const char* owasp = "OWASP Password Storage Cheat Sheet";

using Fields = std::vector<std::string_view>;

// "$2b$10$…" split at '$' as {"", "2b", "10", "…"} (at ',' likewise): empty fields kept, so
// positions match the format. Written out because clang 14 cannot compile libstdc++ 12's
// views::split.
Fields fieldsOf(std::string_view text, char separator = '$') {
    Fields fields;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

// The salt and digest stretches, when present; a truncated hash keeps whichever it still has.
void addSecrets(Assessment& out, std::initializer_list<std::string_view> stretches) {
    for (const std::string_view stretch : stretches) {
        if (!stretch.empty()) out.secrets.emplace_back(stretch);
    }
}

std::string_view fieldAt(const Fields& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view{};
}

// "m=19456,t=2,p=1" or "ln=17,r=8,p=1": the value of `key`, when it is a decimal number.
std::optional<std::int64_t> parameter(std::string_view list, std::string_view key) {
    for (const std::string_view text : fieldsOf(list, ',')) {
        if (text.size() > key.size() && text.starts_with(key) && text[key.size()] == '=') {
            return Text::decimalInteger(text.substr(key.size() + 1));
        }
    }
    return std::nullopt;
}

void bcrypt(const Fields& fields, Assessment& out) {
    constexpr std::int64_t minimumCost = 10;
    constexpr std::size_t saltLength = 22; // 16 bytes in bcrypt's base64, then the digest
    if (const auto cost = Text::decimalInteger(fieldAt(fields, 2)); cost && *cost < minimumCost) {
        out.risks.push_back({"hash.bcrypt-cost", RiskSeverity::medium,
                             fmt::format("bcrypt cost {}, under OWASP's minimum {}", *cost, minimumCost), owasp});
    }
    const std::string_view rest = fieldAt(fields, 3);
    addSecrets(out, {rest.substr(0, saltLength), rest.substr(std::min(rest.size(), saltLength))});
}

void shaCrypt(std::string_view algorithm, const Fields& fields, Assessment& out) {
    // Without a rounds field the scheme runs its default, 5000, which is also the threshold.
    constexpr std::int64_t defaultRounds = 5000;
    const bool hasRounds = fieldAt(fields, 2).starts_with("rounds=");
    if (hasRounds) {
        const auto rounds = Text::decimalInteger(fields[2].substr(7));
        if (rounds && *rounds < defaultRounds) {
            out.risks.push_back(
                {"hash.sha-crypt-rounds", RiskSeverity::medium,
                 fmt::format("{} rounds={}, under the scheme's default {}", algorithm, *rounds, defaultRounds),
                 "Unix crypt using SHA-256 and SHA-512 (Drepper)"});
        }
    }
    const std::size_t salt = hasRounds ? 3 : 2;
    addSecrets(out, {fieldAt(fields, salt), fieldAt(fields, salt + 1)});
}

// OWASP's argon2id rows: each memory (KiB) with the passes that make it as costly as the others.
struct ArgonRow {
    std::int64_t memory;
    std::int64_t passes;
};
constexpr std::array<ArgonRow, 5> argonRows{{{47104, 1}, {19456, 2}, {12288, 3}, {9216, 4}, {7168, 5}}};

void argon2(std::string_view algorithm, const Fields& fields, Assessment& out) {
    // "$argon2id$v=19$m=…,t=…,p=…$salt$digest"; the oldest encoders leave out "v=".
    const std::size_t params = fieldAt(fields, 2).starts_with("v=") ? 3 : 2;
    addSecrets(out, {fieldAt(fields, params + 1), fieldAt(fields, params + 2)});
    if (algorithm != "argon2id") {
        out.risks.push_back(
            {"hash.argon2-variant", RiskSeverity::low,
             fmt::format("{}: use argon2id, the variant that resists both side channels and GPU cracking", algorithm),
             owasp});
        return;
    }
    const auto memory = parameter(fieldAt(fields, params), "m");
    const auto passes = parameter(fieldAt(fields, params), "t");
    if (!memory || !passes) return;
    const bool strongEnough = std::ranges::any_of(
        argonRows, [&](const ArgonRow& row) { return *memory >= row.memory && *passes >= row.passes; });
    if (!strongEnough) {
        out.risks.push_back(
            {"hash.argon2id-parameters", RiskSeverity::medium,
             fmt::format("argon2id m={} KiB, t={}, p={}: under OWASP's minimum m=19456 KiB, t=2, p=1 and every "
                         "equivalent row",
                         *memory, *passes, parameter(fieldAt(fields, params), "p").value_or(0)),
             owasp});
    }
}

struct ScryptParameters {
    int log2N;
    std::int64_t r;
    std::int64_t p;
};

// "$7$" packs its parameters in crypt's base64 alphabet: one character for log2 N, then r and p
// as five characters each, least significant first (libxcrypt's encoding).
std::optional<std::int64_t> crypt64(std::string_view digits) {
    constexpr std::string_view alphabet = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::int64_t value = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t digit = alphabet.find(digits[i]);
        if (digit == std::string_view::npos) return std::nullopt;
        value |= static_cast<std::int64_t>(digit) << (6 * i);
    }
    return value;
}

constexpr std::size_t crypt7ParameterLength = 11;

std::optional<ScryptParameters> crypt7Parameters(std::string_view field) {
    if (field.size() < crypt7ParameterLength) return std::nullopt;
    const auto log2N = crypt64(field.substr(0, 1));
    const auto r = crypt64(field.substr(1, 5));
    const auto p = crypt64(field.substr(6, 5));
    if (!log2N || !r || !p) return std::nullopt;
    return ScryptParameters{static_cast<int>(*log2N), *r, *p};
}

std::optional<ScryptParameters> passlibParameters(std::string_view field) {
    const auto log2N = parameter(field, "ln");
    const auto r = parameter(field, "r");
    const auto p = parameter(field, "p");
    if (!log2N || !r || !p || *log2N < 0 || *log2N > 63) return std::nullopt;
    return ScryptParameters{static_cast<int>(*log2N), *r, *p};
}

// OWASP's scrypt rows, all with r=8: log2 N with the parallelism that makes it as costly.
struct ScryptRow {
    int log2N;
    std::int64_t p;
};
constexpr std::array<ScryptRow, 5> scryptRows{{{17, 1}, {16, 2}, {15, 3}, {14, 5}, {13, 10}}};
constexpr double owaspBlockSize = 8;

void scrypt(const Fields& fields, Assessment& out) {
    const bool crypt7 = fieldAt(fields, 1) == "7";
    const auto params = crypt7 ? crypt7Parameters(fieldAt(fields, 2)) : passlibParameters(fieldAt(fields, 2));
    if (crypt7) {
        const std::string_view packed = fieldAt(fields, 2);
        addSecrets(out, {packed.substr(std::min(packed.size(), crypt7ParameterLength)), fieldAt(fields, 3)});
    } else {
        addSecrets(out, {fieldAt(fields, 3), fieldAt(fields, 4)});
    }
    if (!params) return;
    // Memory and time both grow with N·r, so a larger block size (libxcrypt writes r=32) counts
    // for as much as the same factor on N.
    const double work = std::ldexp(static_cast<double>(params->r), params->log2N);
    const bool strongEnough = std::ranges::any_of(scryptRows, [&](const ScryptRow& row) {
        return work >= std::ldexp(owaspBlockSize, row.log2N) && params->p >= row.p;
    });
    if (!strongEnough) {
        out.risks.push_back(
            {"hash.scrypt-parameters", RiskSeverity::medium,
             fmt::format("scrypt N=2^{}, r={}, p={} ({:g} MiB): under OWASP's minimum N=2^17, r=8, p=1 (128 MiB) "
                         "and every equivalent row",
                         params->log2N, params->r, params->p, work * 128 / (1 << 20)),
             owasp});
    }
}

struct PBKDF2Row {
    std::string_view scheme;
    std::string_view name;
    std::int64_t minimum;
};
// passlib writes PBKDF2-HMAC-SHA1 as plain "$pbkdf2$".
constexpr std::array<PBKDF2Row, 4> pbkdf2Rows{{
    {"pbkdf2", "PBKDF2-HMAC-SHA1", 1'300'000},
    {"pbkdf2-sha1", "PBKDF2-HMAC-SHA1", 1'300'000},
    {"pbkdf2-sha256", "PBKDF2-HMAC-SHA256", 600'000},
    {"pbkdf2-sha512", "PBKDF2-HMAC-SHA512", 210'000},
}};

void pbkdf2(const Fields& fields, Assessment& out) {
    addSecrets(out, {fieldAt(fields, 3), fieldAt(fields, 4)});
    const auto row = std::ranges::find(pbkdf2Rows, fieldAt(fields, 1), &PBKDF2Row::scheme);
    const auto iterations = Text::decimalInteger(fieldAt(fields, 2));
    if (row == pbkdf2Rows.end() || !iterations || *iterations >= row->minimum) return;
    out.risks.push_back(
        {"hash.pbkdf2-iterations", RiskSeverity::medium,
         fmt::format("{} with {} iterations, under OWASP's minimum {}", row->name, *iterations, row->minimum), owasp});
}

void bareDigest(std::string_view text, const DecodeResult& step, Assessment& out) {
    addSecrets(out, {text});
    const auto length = step.details.find("hex_len");
    if (length == step.details.end() || (length->second != "32" && length->second != "40")) return;
    out.risks.push_back(
        {"hash.bare-digest", RiskSeverity::info,
         fmt::format("not a password hash: a bare {}-hex-digit digest ({}), one fast unsalted hash per guess",
                     length->second, step.details.contains("candidates") ? step.details.at("candidates") : "?"),
         owasp});
}

} // namespace

void passwordHashRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext&, Assessment& out) {
    const std::string_view text = Text::trimmed(stepInput);
    const auto algorithm = step.details.find("algorithm");
    if (algorithm == step.details.end()) return bareDigest(text, step, out);
    const std::string& name = algorithm->second;
    const Fields fields = fieldsOf(text);
    if (name == "bcrypt") {
        bcrypt(fields, out);
    } else if (name == "md5crypt") {
        out.risks.push_back({"hash.md5crypt", RiskSeverity::high,
                             "md5crypt ($1$): a fixed 1000 MD5 rounds, broken: cracked at GPU speed",
                             "Kamp, md5crypt() is no longer considered safe (2012)"});
        addSecrets(out, {fieldAt(fields, 2), fieldAt(fields, 3)});
    } else if (name == "sha256crypt" || name == "sha512crypt") {
        shaCrypt(name, fields, out);
    } else if (name.starts_with("argon2")) {
        argon2(name, fields, out);
    } else if (name == "scrypt") {
        scrypt(fields, out);
    } else if (name == "pbkdf2") {
        pbkdf2(fields, out);
    } else {
        // yescrypt and whatever else the detector names: "$id$params$salt$digest".
        addSecrets(out, {fieldAt(fields, 3), fieldAt(fields, 4)});
    }
}

} // namespace orvel::RiskFamilies
