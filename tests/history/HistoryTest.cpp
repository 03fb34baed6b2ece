// The inspection history: capacity, identity of inputs, and the stored JSON form.
#include "orvel/InspectionHistory.h"

#include <string>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using Inputs = std::vector<std::string>;

HistoryEntry entry(std::string input, std::int64_t timestamp = 1733000000) {
    return HistoryEntry(std::move(input), {"base64url", "json"}, true, timestamp);
}

Inputs inputsOf(const InspectionHistory& history) {
    Inputs inputs;
    for (const HistoryEntry& e : history.entries()) inputs.push_back(e.input);
    return inputs;
}

TEST(InspectionHistory, CapacityIsAtLeastOneAndKeepsTheNewest) {
    EXPECT_EQ(inputsOf(InspectionHistory({entry("a"), entry("b"), entry("c")}, 2)), (Inputs{"a", "b"}));
    // One record past the capacity drops the oldest; clearing keeps the capacity.
    for (const int capacity : {-7, 0, 50}) {
        const std::size_t kept = static_cast<std::size_t>(std::max(capacity, 1));
        InspectionHistory history({}, capacity);
        for (std::size_t i = 1; i <= kept + 1; ++i) history.record(entry("input " + std::to_string(i), 1));
        ASSERT_EQ(history.entries().size(), kept) << capacity;
        EXPECT_EQ(history.entries().front().input, "input " + std::to_string(kept + 1));
        EXPECT_EQ(history.entries().back().input, "input 2");
        history.clear();
        EXPECT_EQ(history, InspectionHistory({}, static_cast<int>(kept)));
    }
}

TEST(InspectionHistory, RecordMovesEqualInputsToTheFrontAndSkipsBlanks) {
    InspectionHistory history({}, 50);
    history.record(entry("abc", 1));
    history.record(entry("xyz", 2));
    history.record(HistoryEntry("abc", {}, false, 3));
    EXPECT_EQ(history.entries(), (std::vector<HistoryEntry>{HistoryEntry("abc", {}, false, 3), entry("xyz", 2)}));
    // Blanks matter for identity; only the blank test trims. A decomposed "é" is the same text
    // as the precomposed one and replaces it.
    for (const char* input : {"caf\u00E9", "abc ", "ABC", "  \n \n ", "", "\u2028\u00A0\t", "cafe\u0301"}) {
        history.record(entry(input, 4));
    }
    EXPECT_EQ(inputsOf(history), (Inputs{"cafe\u0301", "ABC", "abc ", "abc", "xyz"}));
}

// The stored form is the canonical writer's (JSONTest); the keys it uses are pinned by the data
// written by hand below.
TEST(InspectionHistory, DecodedReadsBackWhatEncodedWroteUpToTheCapacity) {
    // Blank and repeated inputs come back as stored: decoding keeps what it is given.
    const InspectionHistory history(
        {entry("eyJhbGciOiJIUzI1NiJ9.e30.", INT64_MAX), HistoryEntry("\x01 tab\t \u2603 \U0001F600", {"hex"}, true, -5),
         HistoryEntry("   ", {"hand-made"}, false, INT64_MIN), entry("eyJhbGciOiJIUzI1NiJ9.e30.", 1)},
        50);
    const std::string data = history.encoded();
    for (const int capacity : {50, 2, -1}) {
        EXPECT_EQ(InspectionHistory::decoded(data, capacity), InspectionHistory(history.entries(), capacity));
    }
    // Extra members are ignored and integral doubles are timestamps.
    EXPECT_EQ(
        InspectionHistory::decoded(
            R"([{"timestamp":1.733e9,"shape":["jwt","json"],"recognized":true,"input":"a","pinned":true},)"
            R"({"input":"b","recognized":false,"shape":[],"timestamp":-0.0}])",
            50),
        InspectionHistory({HistoryEntry("a", {"jwt", "json"}, true, 1733000000), HistoryEntry("b", {}, false, 0)}, 50));
}

TEST(InspectionHistory, AnyMalformedDataGivesAnEmptyHistory) {
    const std::string good = R"({"input":"x","recognized":true,"shape":["hex"],"timestamp":1})";
    ASSERT_EQ(InspectionHistory::decoded("[" + good + "]", 50).entries().size(), 1u);
    // clang-format off
    std::vector<std::string> bad = {"", "null", good, "[" + good + "] trailing", "[" + good + ",null]",
                                    "[" + good + R"(,["y",true,[],1]])",
                                    "[{\"input\":\"\xff\",\"recognized\":true,\"shape\":[],\"timestamp\":1}]"};
    // clang-format on
    // Not UTF-8, above; then a second entry with one member missing, of the wrong type, or out of range.
    const std::pair<std::string, std::string> members[] = {
        // clang-format off
        {"timestamp", ""}, {"input", "1"}, {"recognized", "\"true\""}, {"recognized", "1"}, {"shape", "\"hex\""},
        {"shape", "[\"hex\",2]"}, {"timestamp", "\"1\""}, {"timestamp", "1.5"}, {"timestamp", "null"},
        {"timestamp", "9223372036854775808"}, {"timestamp", "9.3e18"}, {"timestamp", "-9.3e18"}};
    // clang-format on
    for (const auto& [name, value] : members) {
        std::string second;
        for (const auto& [key, fine] :
             {std::pair{"input", "\"y\""}, {"recognized", "true"}, {"shape", "[]"}, {"timestamp", "1"}}) {
            const std::string member = key == name ? value : fine;
            if (!member.empty()) second += (second.empty() ? "{\"" : ",\"") + std::string(key) + "\":" + member;
        }
        bad.push_back("[" + good + "," + second + "}]");
    }
    const std::string data = InspectionHistory({entry("a/b"), entry("c\"d")}, 50).encoded();
    for (std::size_t length = 0; length < data.size(); ++length) bad.push_back(data.substr(0, length));
    const InspectionHistory empty({}, 50);
    for (const std::string& text : bad) EXPECT_EQ(InspectionHistory::decoded(text, 50), empty) << text;
}

TEST(HistoryEntry, ShapeLabelAndConstructionFromAChain) {
    EXPECT_EQ(entry("a").shapeLabel(), "base64url → json");
    EXPECT_EQ(HistoryEntry("a", {"hex", "gzip"}, false, 0).shapeLabel(), "unrecognized");
    DecodeChain chain{" eyJ9 ", {}};
    EXPECT_EQ(HistoryEntry(" eyJ9 ", chain, 9), HistoryEntry(" eyJ9 ", {}, false, 9));
    chain.steps.push_back({DetectionKind::base64url, "1733556842", 0.7, "s", {}, false});
    chain.steps.push_back({DetectionKind::unixTimestamp, "2024-12-07T07:34:02Z", 0.75, "s", {}, true});
    EXPECT_EQ(HistoryEntry(" eyJ9 ", chain, 9), HistoryEntry(" eyJ9 ", {"base64url", "unixTimestamp"}, true, 9));
}

} // namespace
} // namespace orvel
