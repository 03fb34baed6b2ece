#include "orvel/Scanner.h"

#include <functional>
#include <random>
#include <stop_token>
#include <thread>

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "scan/CandidateSources.h"

namespace orvel {
namespace {

// Recognises, as a terminal step of `kind`, every text the predicate accepts.
class PredicateDetector final : public Detector {
public:
    PredicateDetector(DetectionKind kind, std::function<bool(std::string_view)> accepts)
        : m_kind(kind), m_accepts(std::move(accepts)) {}
    DetectionKind kind() const override { return m_kind; }

private:
    std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext&) const override {
        if (!m_accepts(text)) return std::nullopt;
        return DecodeResult{m_kind, std::string(text), 0.9, "stub", {}, true};
    }
    DetectionKind m_kind;
    std::function<bool(std::string_view)> m_accepts;
};

Scanner scannerAccepting(DetectionKind kind, std::function<bool(std::string_view)> accepts, unsigned threads = 1) {
    return Scanner(ChainEngine({std::make_shared<PredicateDetector>(kind, std::move(accepts))}), {.threads = threads});
}

using Found = std::vector<std::pair<std::string, int>>;

Found found(const std::vector<ScanFinding>& findings) {
    Found all;
    for (const auto& finding : findings) all.emplace_back(finding.matchedText, finding.line);
    return all;
}

const auto anything = [](std::string_view) { return true; };

TEST(Scanner, EarlierSourcesSwallowWhatTheyCover) {
    // A recognised JSON object hides the id and the epoch inside it.
    const std::string log = "boot\nready\n{\"id\":\"0f8c2a9e-1b2c-4d3e-8f90-123456789abc\",\"at\":1700000000}\nend";
    const auto inJSON = orvel::scan(log);
    ASSERT_EQ(inJSON.size(), 1u);
    EXPECT_EQ(inJSON[0].line, 3);
    EXPECT_EQ(inJSON[0].kind(), DetectionKind::json);

    // A token inside an object is reported alone: tokens are proposed before brackets.
    const Scanner tokens = scannerAccepting(DetectionKind::jwt, anything);
    const std::string token = "eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiIxIn0.c2ln";
    EXPECT_EQ(found(tokens.scan("{\"auth\":\"" + token + "\"}")), (Found{{token, 1}}));

    // An armour block swallows the base64 runs inside it.
    const std::string pem = "-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIUQ2VydGlmaWNhdGVCb2R5\n-----END CERTIFICATE-----";
    EXPECT_EQ(found(scannerAccepting(DetectionKind::pem, anything).scan("cert:\n" + pem + "\n")), (Found{{pem, 2}}));
}

TEST(Scanner, RejectedCandidatesDoNotBlockLaterSources) {
    // "[INFO]" is a bracket candidate nobody recognises; the query string inside stays available.
    const Scanner queries = scannerAccepting(DetectionKind::queryString, [](std::string_view text) {
        return text.find('&') != std::string_view::npos && text.front() != '[';
    });
    // The query pattern runs on to the closing bracket, which is not white space or "&".
    EXPECT_EQ(found(queries.scan("[a=1&b=2] x=1 y=2&z=3")), (Found{{"a=1&b=2]", 1}, {"y=2&z=3", 1}}));
    EXPECT_TRUE(queries.scan("a=1").empty());  // one pair is no query string candidate

    // A 13-digit number is tried before the 10-digit pattern, which cannot match inside it.
    const Scanner numbers = scannerAccepting(DetectionKind::unixTimestamp, anything);
    EXPECT_EQ(found(numbers.scan("t=1700000000123 u=1700000000")), (Found{{"1700000000123", 1}, {"1700000000", 1}}));
}

TEST(Scanner, LinesCountLineFeedCharacters) {
    const Scanner tokens = scannerAccepting(DetectionKind::jwt, anything);
    const std::string token = "eyJhIjoxfQ.eyJiIjoyfQ.c2ln";
    EXPECT_EQ(found(tokens.scan("one\n" + token + "\nthree\nfour\n" + token)), (Found{{token, 2}, {token, 5}}));
    EXPECT_EQ(found(tokens.scan("one\r\ntwo\r\n" + token)), (Found{{token, 1}}));  // CR LF is no line feed
    EXPECT_EQ(found(tokens.scan("one\rtwo\r" + token)), (Found{{token, 1}}));
}

TEST(Scanner, MatchesInsideACharacterAreNotStretches) {
    const Scanner anyRun = scannerAccepting(DetectionKind::base64, anything);
    const std::string run = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY";
    EXPECT_EQ(found(anyRun.scan("x " + run + " y")), (Found{{run, 1}}));
    // A combining mark fuses the run's last letter with it: the match would end mid-character.
    EXPECT_TRUE(anyRun.scan(run + "\u0301").empty());
}

TEST(Scanner, DecidingClusterByClusterGivesTheSequentialAnswer) {
    // The plain reading: every candidate in source order against every range accepted so far.
    const auto accepts = [](std::string_view text) { return std::hash<std::string_view>{}(text) % 3 != 0; };
    const auto sequential = [&](std::string_view text) {
        std::vector<std::pair<TextRange, std::string>> accepted;
        for (const TextRange& candidate : proposeCandidates(text)) {
            const bool blocked = std::any_of(accepted.begin(), accepted.end(), [&](const auto& taken) {
                return candidate.begin < taken.first.end && taken.first.begin < candidate.end;
            });
            const std::string_view stretch = text.substr(candidate.begin, candidate.end - candidate.begin);
            if (!blocked && accepts(stretch)) accepted.emplace_back(candidate, stretch);
        }
        std::stable_sort(accepted.begin(), accepted.end(), [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
        std::vector<std::string> texts;
        for (const auto& [range, stretch] : accepted) texts.push_back(stretch);
        return texts;
    };
    const Scanner scanner = scannerAccepting(DetectionKind::json, accepts);
    const Scanner threaded = scannerAccepting(DetectionKind::json, accepts, 3);
    const std::vector<std::string> pieces{"{\"a\":", "}", "[", "]", " ", "\n", "a=1", "&b=2", "eyJhIjoxfQ.", "eyJiIjoyfQ.",
                                          "c2ln", "0f8c2a9e-1b2c-4d3e-8f90-123456789abc", "1700000000", "123",
                                          "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY", "deadbeefdeadbeef", "é", "\""};
    const auto matchedTexts = [](const std::vector<ScanFinding>& findings) {
        std::vector<std::string> texts;
        for (const auto& finding : findings) texts.push_back(finding.matchedText);
        return texts;
    };
    std::mt19937 random(7);
    std::string all;
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 30); i > 0; --i) text += pieces[random() % pieces.size()];
        ASSERT_EQ(matchedTexts(scanner.scan(text)), sequential(text)) << text;
        all += text + "\n";
    }
    ASSERT_EQ(matchedTexts(scanner.scan(all)), sequential(all));
    // Tens of thousands of candidates make many pieces of work for the threads, and the findings
    // (lines included) are still those of one thread.
    std::string large;
    for (int copy = 0; copy < 16; ++copy) large += all;
    const std::vector<ScanFinding> alone = scanner.scan(large);
    EXPECT_GT(proposeCandidates(large).size(), 20000U);
    EXPECT_EQ(threaded.scan(large), alone);
}

// Progress rises to the candidate count, unless the scan stops: then the findings handed over
// are the first of the whole scan's and there is no final report.
TEST(Scanner, ProgressRisesToTheEndOrTheScanStopsAfterItsFirstFindings) {
    std::string text;  // a candidate a line, enough for several pieces of work
    for (int i = 0; i < 12000; ++i) text += "id " + std::to_string(1'700'000'000 + i) + "\n";
    const std::size_t candidates = proposeCandidates(text).size();
    const std::vector<ScanFinding> all = scannerAccepting(DetectionKind::unixTimestamp, anything).scan(text);
    ASSERT_EQ(all.size(), 12000U);
    enum class Stop { never, bySink, byRequest, before };
    struct Stopping {
        Stop how;
        std::size_t after;  // findings
    };
    for (const unsigned threads : {1U, 3U}) {
        for (const Stopping stop : {Stopping{Stop::never, all.size()}, {Stop::bySink, 5000}, {Stop::byRequest, 7001}, {Stop::before, 0}}) {
            std::stop_source source;
            if (stop.how == Stop::before) source.request_stop();
            std::vector<ScanFinding> handed;
            std::vector<std::size_t> reports;
            const Scanner::Summary summary = scannerAccepting(DetectionKind::unixTimestamp, anything, threads).scan(
                text,
                [&](ScanFinding&& finding) {
                    handed.push_back(std::move(finding));
                    if (stop.how == Stop::byRequest && handed.size() == stop.after) source.request_stop();
                    return stop.how == Stop::bySink && handed.size() == stop.after ? Scanner::Next::stop : Scanner::Next::keepGoing;
                },
                [&](std::size_t examined, std::size_t total) {
                    EXPECT_EQ(total, candidates);
                    EXPECT_GT(examined, reports.empty() ? 0 : reports.back());
                    reports.push_back(examined);
                },
                source.get_token());
            EXPECT_EQ(summary.stopped, stop.how != Stop::never);
            ASSERT_EQ(handed.size(), stop.after) << threads;
            EXPECT_TRUE(std::equal(handed.begin(), handed.end(), all.begin())) << threads;
            EXPECT_EQ(reports.size() >= 2 && reports.back() == candidates, stop.how == Stop::never) << threads;
        }
    }
}

TEST(Scanner, CandidatesOverTheTimeBudgetAreDeclinedAndCounted) {
    // Each pass takes a few milliseconds and makes progress, so a chain runs to the depth cap.
    class SlowPeeler final : public Detector {
    public:
        DetectionKind kind() const override { return DetectionKind::unixTimestamp; }

    private:
        std::optional<DecodeResult> decodeWith(std::string_view text, const DecodeContext&) const override {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            return DecodeResult{kind(), std::string(text) + ".", 0.9, "stub", {}, false};
        }
    };
    const std::string text = "at 1700000000 and 1700000001\n";
    for (const auto& [budget, declined] : {std::pair{std::chrono::milliseconds(5), 2U}, {std::chrono::milliseconds(20'000), 0U}}) {
        const Scanner scanner(ChainEngine({std::make_shared<SlowPeeler>()}),
                              {.threads = 1, .candidateTime = budget, .candidateTimePerMiB = {}});
        std::size_t count = 0;
        const Scanner::Summary summary = scanner.scan(text, [&](ScanFinding&&) {
            ++count;
            return Scanner::Next::keepGoing;
        });
        EXPECT_EQ(summary.overTimeBudget, declined);
        EXPECT_EQ(count, 2U - declined);
    }
}

} // namespace
} // namespace orvel
