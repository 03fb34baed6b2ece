// The scan family: the scanner's choice among candidates, the bracket matcher that proposes JSON
// runs, and the ordered parallel loop that decides them.

#include <atomic>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <stop_token>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "orvel/Unicode.h"
#include "scan/BracketMatcher.h"
#include "scan/Parallel.h"
#include "support/CandidateList.h"
#include "support/StubDetector.h"

namespace orvel {
namespace {

using testing::Answer;

// Recognises, as a terminal step of `kind`, every text `accepts` takes.
Scanner scannerAccepting(DetectionKind kind, std::function<bool(std::string_view)> accepts, unsigned threads = 1) {
    const auto rule = [kind, accepts](std::string_view text) {
        return accepts(text) ? Answer(DecodeResult{kind, std::string(text), 0.9, "stub", {}, true}) : std::nullopt;
    };
    return Scanner(ChainEngine({testing::stub(rule, kind)}), {.threads = threads});
}

using Found = std::vector<std::pair<std::string, int>>;

Found found(const std::vector<ScanFinding>& findings) {
    Found all;
    for (const auto& finding : findings) all.emplace_back(finding.matchedText, finding.line);
    return all;
}

const auto anything = [](std::string_view) { return true; };

// Which source comes first; that a rejected candidate blocks nothing is the cluster test's.
TEST(Scanner, EarlierSourcesSwallowWhatTheyCover) {
    // A recognised JSON object hides the id and the epoch inside it.
    const auto inJSON = orvel::scan("boot\nready\n{\"id\":\"0f8c2a9e-1b2c-4d3e-8f90-123456789abc\",\"at\":1700000000}");
    ASSERT_EQ(inJSON.size(), 1u);
    EXPECT_EQ(std::tuple(inJSON[0].line, inJSON[0].offset, inJSON[0].kind()),
              std::tuple(3, std::size_t{11}, std::optional(DetectionKind::json)));
    // A token inside an object is reported alone: tokens are proposed before brackets.
    const std::string token = "eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiIxIn0.c2ln";
    EXPECT_EQ(found(scannerAccepting(DetectionKind::jwt, anything).scan("{\"auth\":\"" + token + "\"}")),
              (Found{{token, 1}}));
    // An armour block swallows the base64 runs inside it.
    const std::string pem = "-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIUQ2VydGlmaWNhdGVCb2R5\n-----END CERT"
                            "IFICATE-----";
    EXPECT_EQ(found(scannerAccepting(DetectionKind::pem, anything).scan("cert:\n" + pem + "\n")), (Found{{pem, 2}}));
    // A 13-digit number is tried before the 10-digit pattern, which cannot match inside it.
    EXPECT_EQ(found(scannerAccepting(DetectionKind::unixTimestamp, anything).scan("t=1700000000123 u=1700000000")),
              (Found{{"1700000000123", 1}, {"1700000000", 1}}));
}

TEST(Scanner, LinesCountLineFeedsAndMatchesEndBetweenCharacters) {
    // A CR LF is no line feed, nor a CR alone.
    const std::string token = "eyJhIjoxfQ.eyJiIjoyfQ.c2ln";
    EXPECT_EQ(found(scannerAccepting(DetectionKind::jwt, anything).scan("one\n" + token + "\nthree\r\nfour\r" + token)),
              (Found{{token, 2}, {token, 3}}));
    // A combining mark fuses the run's last letter with it: the match would end mid-character.
    const Scanner anyRun = scannerAccepting(DetectionKind::base64, anything);
    const std::string run = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY";
    EXPECT_EQ(found(anyRun.scan("x " + run + " y")), (Found{{run, 1}}));
    EXPECT_TRUE(anyRun.scan(run + "\u0301").empty());
}

TEST(Scanner, DecidingClusterByClusterGivesTheSequentialAnswer) {
    // The plain reading: every candidate in source order against every range accepted so far.
    const auto accepts = [](std::string_view text) { return std::hash<std::string_view>{}(text) % 3 != 0; };
    const auto sequential = [&](std::string_view text) {
        std::vector<TextRange> accepted;
        for (const TextRange& candidate : testing::candidatesOf(text)) {
            const bool blocked = std::any_of(accepted.begin(), accepted.end(), [&](const TextRange& taken) {
                return candidate.begin < taken.end && taken.begin < candidate.end;
            });
            if (!blocked && accepts(text.substr(candidate.begin, candidate.end - candidate.begin))) {
                accepted.push_back(candidate);
            }
        }
        std::stable_sort(accepted.begin(), accepted.end(), [](auto& a, auto& b) { return a.begin < b.begin; });
        Found all; // lines by line feeds: there is no CR among the pieces
        for (const TextRange& range : accepted) {
            const std::string_view before = text.substr(0, range.begin);
            all.emplace_back(text.substr(range.begin, range.end - range.begin), 1 + std::ranges::count(before, '\n'));
        }
        return all;
    };
    const Scanner scanner = scannerAccepting(DetectionKind::json, accepts);
    // clang-format off
    const std::vector<std::string> pieces{"{\"a\":", "}", "[", "]", " ", "\n", "a=1", "&b=2", "eyJhIjoxfQ.",
                                          "eyJiIjoyfQ.", "c2ln", "0f8c2a9e-1b2c-4d3e-8f90-123456789abc", "1700000000",
                                          "123", "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY", "deadbeefdeadbeef", "é", "\""};
    // clang-format on
    std::mt19937 random(7);
    std::string all;
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 30); i > 0; --i) text += pieces[random() % pieces.size()];
        ASSERT_EQ(found(scanner.scan(text)), sequential(text)) << text;
        all += text + "\n";
    }
    ASSERT_EQ(found(scanner.scan(all)), sequential(all));
    // Tens of thousands of candidates make many pieces of work for the threads, and the findings
    // (lines included) are still those of one thread.
    std::string large;
    for (int copy = 0; copy < 16; ++copy) large += all;
    EXPECT_GT(testing::candidatesOf(large).size(), 20000U);
    EXPECT_EQ(scannerAccepting(DetectionKind::json, accepts, 3).scan(large), scanner.scan(large));
}

// Progress rises to the candidate count, unless the scan stops: then the findings handed over
// are the first of the whole scan's and there is no final report.
TEST(Scanner, ProgressRisesToTheEndOrTheScanStopsAfterItsFirstFindings) {
    std::string text; // a candidate a line, enough for several pieces of work
    for (int i = 0; i < 12000; ++i) text += "id " + std::to_string(1'700'000'000 + i) + "\n";
    const std::size_t candidates = testing::candidatesOf(text).size();
    const std::vector<ScanFinding> all = scannerAccepting(DetectionKind::unixTimestamp, anything).scan(text);
    ASSERT_EQ(all.size(), 12000U);
    enum class Stop { never, bySink, byRequest, before };
    struct Stopping {
        Stop how;
        std::size_t after = 0; // findings
    };
    const Stopping stops[] = {{Stop::never, all.size()}, {Stop::bySink, 5000}, {Stop::byRequest, 7001}, {Stop::before}};
    for (const unsigned threads : {1U, 3U}) {
        for (const Stopping stop : stops) {
            std::stop_source source;
            if (stop.how == Stop::before) source.request_stop();
            std::vector<ScanFinding> handed;
            std::vector<std::size_t> reports;
            const auto sink = [&](ScanFinding&& finding) {
                handed.push_back(std::move(finding));
                if (stop.how == Stop::byRequest && handed.size() == stop.after) source.request_stop();
                const bool last = stop.how == Stop::bySink && handed.size() == stop.after;
                return last ? Scanner::Next::stop : Scanner::Next::keepGoing;
            };
            const auto progress = [&](std::size_t examined, std::size_t total) {
                EXPECT_EQ(total, candidates);
                if (reports.empty())
                    EXPECT_EQ(examined, 0U);
                else
                    EXPECT_GT(examined, reports.back());
                reports.push_back(examined);
            };
            const Scanner scanner = scannerAccepting(DetectionKind::unixTimestamp, anything, threads);
            const auto summary = scanner.scan(text, sink, progress, source.get_token());
            EXPECT_EQ(summary.stopped, stop.how != Stop::never);
            ASSERT_EQ(handed.size(), stop.after) << threads;
            EXPECT_TRUE(std::equal(handed.begin(), handed.end(), all.begin())) << threads;
            EXPECT_EQ(reports.size() >= 3 && reports.back() == candidates, stop.how == Stop::never) << threads;
        }
    }
}

// Both sides of the time budget.
TEST(Scanner, CandidatesOverTheTimeBudgetAreDeclinedAndCounted) {
    // Each pass takes a few milliseconds and makes progress, so a chain runs to the depth cap.
    // clang-format off
    const auto slowPeeler = testing::stub([](std::string_view text) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        return Answer(DecodeResult{DetectionKind::unixTimestamp, std::string(text) + ".", 0.9, "stub", {}, false});
    }, DetectionKind::unixTimestamp);
    // clang-format on
    using std::chrono::milliseconds;
    for (const auto& [budget, declined] : {std::pair{milliseconds(5), 2U}, {milliseconds(20'000), 0U}}) {
        const Scanner scanner(ChainEngine({slowPeeler}),
                              {.threads = 1, .candidateTime = budget, .candidateTimePerMiB = {}});
        std::size_t count = 0;
        const auto sink = [&](ScanFinding&&) {
            ++count;
            return Scanner::Next::keepGoing;
        };
        EXPECT_EQ(scanner.scan("at 1700000000 and 1700000001\n", sink).overTimeBudget, declined);
        EXPECT_EQ(count, 2U - declined);
    }
}

// The literal walk, character by character (user-perceived characters, as the Unicode tests
// hold them against ICU), quadratic and obvious.
std::vector<TextRange> literalJSONRanges(std::string_view text) {
    std::vector<std::size_t> starts{0}; // where each character starts, then the end
    std::vector<std::string_view> characters;
    while (starts.back() < text.size()) {
        characters.push_back(Unicode::graphemePrefix(text.substr(starts.back()), 1));
        starts.push_back(starts.back() + characters.back().size());
    }
    std::vector<TextRange> ranges;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (characters[i] != "{" && characters[i] != "[") continue;
        bool inString = false, escaped = false;
        long depth = 0;
        for (std::size_t j = i; j < characters.size() && depth >= 0; ++j) {
            const std::string_view c = characters[j];
            if (inString) {
                if (!escaped && c == "\"") inString = false;
                escaped = !escaped && c == "\\";
            } else if (c == "\"") {
                inString = true;
            } else if (c == "{" || c == "[") {
                ++depth;
            } else if ((c == "}" || c == "]") && --depth == 0) {
                ranges.push_back({starts[i], starts[j + 1]});
                i = j;
                break;
            }
        }
    }
    return ranges;
}

// Shapes are not matched, strings and escapes are skipped, an unclosed opener is passed over,
// the walk starts outside any string, and a bracket fused with a combining mark is not a bracket.
TEST(BracketMatcher, AgreesWithTheLiteralWalkOnGeneratedTexts) {
    const std::vector<std::string> pieces{"{",      "}", "[",  "]",  "\"",   "\\",      "a",
                                          " ",      ":", ",",  "\n", "\r\n", "\u0301",  "\u200d",
                                          "\u0600", "é", "🇫🇷", "日", "\\\"", "\"\\\\\""};
    std::mt19937 random(20261205);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
        ASSERT_EQ(jsonRanges(text), literalJSONRanges(text)) << text;
    }
}

TEST(BracketMatcher, StaysLinearOnUnmatchedOpeners) {
    // Quadratic walking would take minutes here; this is a correctness check that it returns.
    EXPECT_TRUE(jsonRanges(std::string(1 << 20, '{')).empty());
    const std::string nested = std::string(200'000, '[') + std::string(200'000, ']');
    EXPECT_EQ(jsonRanges(nested), (std::vector<TextRange>{{0, nested.size()}}));
}

// Uneven pieces, so that threads finish out of order and some must wait for their turn.
void unevenWork(std::size_t piece) { std::this_thread::sleep_for(std::chrono::microseconds((piece * 7919) % 5 * 200)); }

TEST(Parallel, ResultsAreTakenInOrderOnTheThreadThatMadeThemUntilATakeDeclines) {
    for (const unsigned threads : {1U, 2U, 5U}) {
        for (const std::size_t last : {59U, 30U}) {
            std::size_t taken = 0;
            std::atomic<std::size_t> worked{0};
            const auto work = [&](std::size_t piece) {
                ++worked;
                unevenWork(piece);
                return std::pair(piece, std::this_thread::get_id());
            };
            forEachInOrder(60, threads, work, [&](std::pair<std::size_t, std::thread::id> result) {
                EXPECT_EQ(result, std::pair(taken++, std::this_thread::get_id())) << threads;
                return result.first != last;
            });
            EXPECT_EQ(taken, last + 1) << threads;
            EXPECT_LE(worked, last + threads) << threads; // each other thread had one piece at most under way
        }
    }
}

TEST(Parallel, TheFirstFailureReachesTheCallerAfterEveryThreadStopped) {
    const auto failingWork = [](std::size_t piece) {
        unevenWork(piece);
        if (piece == 13) throw std::runtime_error("work");
        return piece;
    };
    EXPECT_THROW(forEachInOrder(40, 4, failingWork, [](std::size_t) { return true; }), std::runtime_error);
    EXPECT_THROW(forEachIndex(40, 4, [&](std::size_t i) { failingWork(i); }), std::runtime_error);
    std::vector<std::size_t> taken;
    const auto take = [&](std::size_t piece) {
        if (piece == 7) throw std::logic_error("take");
        taken.push_back(piece);
        return true;
    };
    // clang-format off
    EXPECT_THROW(forEachInOrder(40, 4, [](std::size_t piece) { return piece; }, take), std::logic_error);
    // clang-format on
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace orvel
