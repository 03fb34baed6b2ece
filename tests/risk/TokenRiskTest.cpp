// Token risks on real tokens (tests/data/risk/tokens, made by make-tokens.mjs), judged at fixed
// moments so that no test depends on today's date.
#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "orvel/Risk.h"
#include "support/TestData.h"
#include "text/Instant.h"
#include "text/Text.h"

#include <algorithm>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace orvel {
namespace {

using namespace std::chrono;
using namespace testing;

constexpr sys_seconds t0{seconds{1780790400}}; // 2026-06-07T00:00:00Z: every fixture's iat
constexpr sys_seconds dayLater = t0 + 24h;     // day-long.jwt's exp

RiskContext at(sys_seconds now) { return {.now = now, .lineTime = std::nullopt}; }

std::string token(const std::string& name) { return std::string(Text::trimmed(readTestData("risk/tokens/" + name))); }

// "id:severity" of every risk, in the assessment's order.
std::string listed(const Assessment& assessment) {
    std::vector<std::string> items;
    for (const Risk& risk : assessment.risks) items.push_back(risk.id + ":" + std::string(severityName(risk.severity)));
    return fmt::format("{}", fmt::join(items, " "));
}

TEST(TokenRisks, EachFixtureReportsItsOwnRisks) {
    const struct {
        const char* file;
        const char* risks;
        const char* firstReason; ///< a stretch of the first risk's reason
    } rows[] = {
        {"day-long.jwt", "", ""},
        {"day-and-a-second.jwt", "token.long-lifetime:medium", "lifetime 24 h (exp − iat = 86401 s) is over 24 h"},
        {"alg-none.jwt", "token.alg-none:high", "alg is \"none\""},
        {"no-exp.jwt", "token.no-exp:medium", "no exp claim"},
        {"rs256-jku.jwt", "token.header-jku:medium",
         "jku \"https://keys.example.test/jwks.json\": a verifier that fetches"},
        {"rs256-x5u.jwt", "token.header-x5u:medium", "x5u \"https://keys.example.test/signer.pem\""},
        {"rs256-jwk.jwt", "token.header-jwk:medium", "jwk (a JSON object): a verifier that trusts the embedded key"},
        {"rs256-kid.jwt", "token.header-kid:low", "kid \"rsa-2026\": a verifier that puts kid into key lookups"},
        {"hs256-jku.jwt", "token.alg-confusion:high token.header-jku:medium",
         "HS256 token whose header also names a key (jku)"},
        {"hs256-jwk.jwt", "token.alg-confusion:high token.header-jwk:medium", "names a key (jwk)"},
    };
    for (const auto& row : rows) {
        const std::string text = token(row.file);
        const Assessment assessment = assess(inspect(text), at(t0 + 30min));
        EXPECT_EQ(listed(assessment), row.risks) << row.file;
        if (!assessment.risks.empty()) {
            EXPECT_NE(assessment.risks[0].reason.find(row.firstReason), std::string::npos)
                << assessment.risks[0].reason;
        }
        // The signature is the secret; an unsigned token has none.
        const std::string signature = text.substr(text.rfind('.') + 1);
        EXPECT_EQ(assessment.secrets, signature.empty() ? std::vector<std::string>{} : std::vector{signature})
            << row.file;
    }
}

// At `now` and, when given, the line's time: every risk as "id: reason", joined by " | ".
std::string judged(const std::string& text, sys_seconds now, std::optional<sys_seconds> line = {}) {
    std::optional<LineTime> lineTime;
    if (line) lineTime = LineTime{*line, *Instant::iso8601(static_cast<double>(line->time_since_epoch().count()))};
    std::vector<std::string> items;
    for (const Risk& risk : assess(inspect(text), RiskContext{.now = now, .lineTime = lineTime}).risks) {
        items.push_back(risk.id + ": " + risk.reason);
    }
    return fmt::format("{}", fmt::join(items, " | "));
}

TEST(TokenRisks, DatesTurnJustPastTheirInstantsNowAndAtTheLine) {
    const std::string dayLong = token("day-long.jwt"); // iat = nbf = t0, exp = t0 + 24 h
    const sys_seconds later = t0 + days{30};
    const std::string expired = "token.expired: expired 29 days ago (2026-06-08T00:00:00Z) | ";
    const struct {
        sys_seconds now;
        std::optional<sys_seconds> line;
        std::string risks;
    } rows[] = {
        {t0 - 1s,
         {},
         "token.iat-in-future: issued in the future: iat is 1 s from now (2026-06-07T00:00:00Z) | "
         "token.nbf-in-future: not yet valid: nbf is 1 s from now (2026-06-07T00:00:00Z)"},
        {t0, {}, ""},
        {dayLater, {}, ""},
        {dayLater + 1s, {}, "token.expired: expired 1 second ago (2026-06-08T00:00:00Z)"},
        // Whether the logged call carried a token a verifier should have taken.
        {later, dayLater + 3min,
         expired + "token.expired-at-line: expired 3 min before this line (2026-06-08T00:03:00Z)"},
        {later, dayLater + 1s, expired + "token.expired-at-line: expired 1 s before this line (2026-06-08T00:00:01Z)"},
        {later, dayLater,
         expired + "token.valid-at-line: valid at this line (2026-06-08T00:00:00Z); expired 0 s after it"},
        {later, t0 - 2h,
         expired + "token.not-yet-valid-at-line: not yet valid at this line: nbf is 2 h after it "
                   "(2026-06-06T22:00:00Z)"},
        {t0 + 2h, t0 + 1h, ""}, // valid then and still valid: nothing to say
    };
    for (const auto& row : rows) EXPECT_EQ(judged(dayLong, row.now, row.line), row.risks);
}

TEST(TokenRisks, TheSampleLogsTokenIsJudgedAtItsLine) {
    const std::string log = readTestData("../../examples/app.log");
    const auto findings = scan(log);
    const auto jwt = std::ranges::find(findings, std::optional(DetectionKind::jwt), &ScanFinding::kind);
    ASSERT_NE(jwt, findings.end());
    std::string_view line = log;
    for (int n = 1; n < jwt->line; ++n) line.remove_prefix(line.find('\n') + 1);
    const auto lineTime = readLineTime(line, 2026);
    ASSERT_TRUE(lineTime);
    const auto risks = assess(jwt->chain, RiskContext{.now = t0 + days{180}, .lineTime = lineTime}).risks;
    EXPECT_TRUE(std::ranges::any_of(
        risks, [](const Risk& risk) { return risk.reason == "expired 1 h before this line (2026-06-07T09:17:41Z)"; }));
}

TEST(TokenRisks, EveryPrefixOfAFixtureIsAssessedWithoutHarm) {
    for (const char* file : {"rs256-jwk.jwt", "hs256-jku.jwt", "alg-none.jwt", "day-long.jwt"}) {
        const std::string text = token(file);
        for (std::size_t n = 0; n <= text.size(); ++n) {
            for (const std::string& secret : assess(inspect(text.substr(0, n)), at(t0)).secrets) {
                EXPECT_NE(text.find(secret), std::string::npos);
            }
        }
    }
}

} // namespace
} // namespace orvel
