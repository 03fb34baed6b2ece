#pragma once

#include "orvel/DecodeChain.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

/// How much a risk matters, least to most; comparisons follow this order.
enum class RiskSeverity { info, low, medium, high };

/// "info", "low", "medium" or "high".
std::string_view severityName(RiskSeverity severity);

/// The severity named exactly `name` ("high"…); absent for any other text.
std::optional<RiskSeverity> severityFromName(std::string_view name);

/// One thing wrong with an artifact, reported beside its chain, never inside it.
struct Risk {
    std::string id; ///< stable identifier: "token.alg-none", "hash.bcrypt-cost"…
    RiskSeverity severity = RiskSeverity::info;
    std::string reason;    ///< one line that names the measured value
    std::string reference; ///< the document that sets the threshold ("RFC 8725 §3.1")

    friend bool operator==(const Risk&, const Risk&) = default;
};

/// The time printed at the start of a log line.
struct LineTime {
    std::chrono::sys_seconds instant;
    std::string text; ///< the instant as "2026-06-07T09:14:02Z"

    friend bool operator==(const LineTime&, const LineTime&) = default;
};

/// The moments an artifact is judged at.
struct RiskContext {
    std::chrono::sys_seconds now; ///< the current time
    /// The time at the start of the scanned line the artifact sits on, when it has one.
    std::optional<LineTime> lineTime;
};

/// A context at Clock::now() with no line time.
RiskContext currentRiskContext();

/// What the risk layer makes of one chain.
struct Assessment {
    /// Most severe first; equal severities in step order, then in the order they were found.
    std::vector<Risk> risks;
    /// Exact stretches of the chain's texts that a redacted report hides: token signatures,
    /// private key bodies, password-hash salts and digests, credentials.
    std::vector<std::string> secrets;
};

/// The risks and secrets of `chain` judged in `context`. Reads the chain; decodes again only
/// fields the chain does not carry (a certificate's key, a token's header parameters).
Assessment assess(const DecodeChain& chain, const RiskContext& context);

/// What a report of one pasted text shows: assess(chain, context), with every credential found
/// anywhere in the chain's input added as a risk and a secret, most severe first.
Assessment assessText(const DecodeChain& chain, const RiskContext& context);

/// The line time at the very start of `line`: ISO 8601 with or without "T" and zone,
/// "[dd/Mon/yyyy:HH:MM:SS ±zzzz]", syslog's "Mon dd HH:MM:SS" (in `syslogYear`), or epoch
/// seconds. Absent when the line starts with none of them or the fields are out of range.
std::optional<LineTime> readLineTime(std::string_view line, int syslogYear);

} // namespace orvel
