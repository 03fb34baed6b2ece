// The small block-YAML reader behind the YAML detector: lines, mappings, scalars and blocks.
#include <gtest/gtest.h>

#include "yaml/YAML.h"

namespace orvel {
namespace {

using JSON::Value;
using YAML::Line;

TEST(YAML, PreprocessKeepsSignificantLines) {
    const auto result = YAML::preprocess("# comment\n---\na: 1   \n\n   \n  b: x\t\r\n\u00A0\n  # indented\n...");
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->sawMarker);
    EXPECT_EQ(result->lines, (std::vector<Line>{{0, "a: 1"}, {2, "b: x"}}));
    EXPECT_FALSE(YAML::preprocess("a: 1")->sawMarker);
    // Trailing Unicode white space goes, inner blanks stay.
    EXPECT_EQ(YAML::preprocess("k: a  b\u2003\u3000")->lines, (std::vector<Line>{{0, "k: a  b"}}));
    // A tab in the indentation is refused; after the first character it is fine.
    EXPECT_FALSE(YAML::preprocess("a:\n  \tb: 1"));
    EXPECT_TRUE(YAML::preprocess("a: 1\n  b:\t1"));
}

TEST(YAML, SplitMappingAtTheFirstColonAndSpaceOutsideQuotes) {
    using Pair = std::optional<std::pair<std::string, std::string>>;
    // Quotes toggle, with no escapes; only a space after the colon separates, and a colon or
    // space carrying a combining mark is another character.
    const std::pair<std::string_view, Pair> lines[] = {
        // clang-format off
        {"url: https://x.test:8443/x", std::pair{"url", "https://x.test:8443/x"}}, {"key:", std::pair{"key", ""}},
        {"a b : \tv \t", std::pair{"a b", "v"}}, {"'it''s: x': y", std::pair{"'it''s: x'", "y"}},
        {"\"it's: x\": y", std::pair{"\"it's: x\"", "y"}}, {"a:\tb", {}}, {"https://x.test", {}}, {"a:\u0301 b", {}},
        {"a: \u0301b", {}}, {": value", {}}, {"\"open: quote", {}}};
    // clang-format on
    for (const auto& [line, expected] : lines) {
        const auto split = YAML::splitMapping(line);
        EXPECT_EQ(split ? Pair(std::pair{split->key, split->value}) : std::nullopt, expected) << line;
    }
}

TEST(YAML, ScalarsFollowTheSmallRuleSet) {
    // Quoted text is taken verbatim, with no escape processing; integers stay integers up to 64 bits.
    // clang-format off
    const std::pair<std::string_view, Value> typed[] = {
        {"'yes'", "yes"}, {"\"a\\n b\"", "a\\n b"}, {"True", true}, {"FALSE", false}, {"+7", 7},
        {"-9223372036854775808", INT64_MIN}, {"9223372036854775808", 9223372036854775808.0}, {".5", 0.5},
        {"-2.5e3", -2500.0}, {"~", nullptr}, {"null", nullptr}, {"Null", nullptr}, {"NULL", nullptr}, {"  ", nullptr}};
    // clang-format on
    for (const auto& [text, value] : typed) {
        EXPECT_EQ(YAML::scalar(text), value) << text;
        EXPECT_EQ(YAML::scalar(text).type(), value.type()) << text;
    }
    // Everything else is the text itself, a quote joined to a combining mark (or to a prepended
    // sign before it) included: it quotes nothing.
    for (const char* text : {"yes", "\"", "nULL", "tRUE", "+-7", "1.", "0x1F", "inf", "nan", "1e", "1,5", "1_000",
                             "a # comment", "\"\u0308x\"", "\"x\"\u0308", "'\u0301x'", "'x'\u20DD", "\"x\u0600\""}) {
        EXPECT_EQ(YAML::scalar(text), Value(text)) << text;
    }
}

TEST(YAML, ParseBlockBuildsNestedValues) {
    const std::pair<std::string_view, std::string_view> blocks[] = {
        {"server:\n  host: x\n  port: 1\nname: api", R"({"server":{"host":"x","port":1},"name":"api"})"},
        {"- name: a\n  port: 1\n- b\n-\n- c: \n    d: 1", R"([{"name":"a","port":1},"b",null,{"c":{"d":1}}])"},
        {"a: 1\n  b: 2\nc:", R"({"a":1,"c":null})"}, // a value on the line wins over indented lines below
        {"a: 1\na: 2", R"({"a":2})"},
    };
    for (const auto& [text, json] : blocks) {
        std::size_t position = 0;
        EXPECT_EQ(YAML::parseBlock(YAML::preprocess(text)->lines, position), Value::parse(json)) << text;
    }
    // A block ends at the first line it cannot use; there is none past the end.
    std::size_t position = 0;
    EXPECT_EQ(YAML::parseBlock(std::vector<Line>{{0, "a: 1"}, {0, "- x"}, {0, "b: 2"}}, position), Value({{"a", 1}}));
    EXPECT_EQ(position, 1u);
    EXPECT_FALSE(YAML::parseBlock({}, position = 0));
}

} // namespace
} // namespace orvel
