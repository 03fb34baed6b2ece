#pragma once

#include "orvel/DecodeChain.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvel {

/// Hides secret stretches in what a report prints, each behind a short fingerprint of itself, so
/// that a report can be pasted into a ticket and two mentions of one secret still match.
class Redactor {
public:
    /// Stretches shorter than this are left alone: they would hit innocent text.
    static constexpr std::size_t kShortestSecret = 6;

    /// A redactor for `secrets` (exact stretches, any order, duplicates allowed).
    explicit Redactor(std::vector<std::string> secrets);

    /// The redactor for a report of `chain`: `secrets` (what the chain's assessment names), and
    /// the secrets nested in its texts (its input, every step's output) that its own steps do not
    /// reach: a token or a password hash inside a JSON body, a key in a larger text, credentials.
    /// Each nested one is found by the scanner's candidate shapes and judged as an artifact of its
    /// own, so the report hides what a report of that artifact alone would hide.
    static Redactor forChain(const DecodeChain& chain, std::vector<std::string> secrets);

    /// "sha256:" and the first eight hex digits of the SHA-256 of `secret`, then "…".
    static std::string fingerprint(std::string_view secret);

    /// `text` with every occurrence of every secret replaced by its fingerprint, longest first.
    std::string apply(std::string_view text) const;

    /// A copy of `chain` for printing, with every text in it (input, outputs, summaries,
    /// detail values) redacted.
    DecodeChain apply(const DecodeChain& chain) const;

    /// Whether there is anything to hide.
    bool isEmpty() const { return m_secrets.empty(); }

private:
    std::vector<std::string> m_secrets; ///< longest first
};

} // namespace orvel
