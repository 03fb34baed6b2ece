#include "orvel/YAML.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

using YAML::Line;

TEST(YAML, PreprocessKeepsSignificantLines) {
    const auto result =
        YAML::preprocess("# comment\n---\na: 1   \n\n   \n  b: x\t\r\n\u00A0\n  # indented comment\n...");
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->sawMarker);
    EXPECT_EQ(result->lines, (std::vector<Line>{{0, "a: 1"}, {2, "b: x"}}));

    EXPECT_FALSE(YAML::preprocess("a:\n\tb: 1"));
    EXPECT_FALSE(YAML::preprocess("a:\n  \tb: 1"));
    EXPECT_TRUE(YAML::preprocess("a: 1\n  b:\t1")); // a tab after the first character is fine
    EXPECT_FALSE(YAML::preprocess("a: 1")->sawMarker);
    // Trailing Unicode white space goes, inner blanks stay.
    EXPECT_EQ(YAML::preprocess("k: a  b\u2003\u3000")->lines, (std::vector<Line>{{0, "k: a  b"}}));
}

TEST(YAML, SplitMappingAtTheFirstColonAndSpaceOutsideQuotes) {
    const auto split = [](std::string_view line) -> std::optional<std::pair<std::string, std::string>> {
        auto result = YAML::splitMapping(line);
        if (!result) return std::nullopt;
        return std::pair{result->key, result->value};
    };
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(split("name: api"), (Pair{"name", "api"}));
    EXPECT_EQ(split("url: https://example.com:8443/x"), (Pair{"url", "https://example.com:8443/x"}));
    EXPECT_EQ(split("key:"), (Pair{"key", ""}));
    EXPECT_EQ(split("a b : \tv \t"), (Pair{"a b", "v"}));
    EXPECT_FALSE(split("a:\tb")); // only a space after the colon separates
    EXPECT_EQ(split("\"a: b\": c"), (Pair{"\"a: b\"", "c"}));
    EXPECT_EQ(split("'it''s: x': y"), (Pair{"'it''s: x'", "y"})); // quotes toggle, no escapes
    EXPECT_EQ(split("\"it's: x\": y"), (Pair{"\"it's: x\"", "y"}));
    EXPECT_FALSE(split("https://example.com"));
    // A colon or space carrying a combining mark is a different character.
    EXPECT_FALSE(split("a:\u0301 b"));
    EXPECT_FALSE(split("a: \u0301b"));
    EXPECT_EQ(split("\u00E9: \u00E8"), (Pair{"\u00E9", "\u00E8"}));
    EXPECT_FALSE(split(": value"));
    EXPECT_FALSE(split("\"open: quote"));
}

TEST(YAML, ScalarsFollowTheSmallRuleSet) {
    using JSON::Value;
    EXPECT_EQ(YAML::scalar("'yes'"), Value("yes"));
    EXPECT_EQ(YAML::scalar("\"a\\n b\""), Value("a\\n b")); // verbatim, no escape processing
    EXPECT_EQ(YAML::scalar("yes"), Value("yes"));
    EXPECT_EQ(YAML::scalar("\""), Value("\""));
    // A quote joined to a combining mark (or to a prepended sign before it) quotes nothing.
    for (const std::string text : {"\"\u0308x\"", "\"x\"\u0308", "'\u0301x'", "'x'\u20DD", "\"x\u0600\""}) {
        EXPECT_EQ(YAML::scalar(text), Value(text)) << text;
    }
    for (const char* null : {"", "~", "null", "Null", "NULL", "  "}) EXPECT_TRUE(YAML::scalar(null).is_null()) << null;
    EXPECT_EQ(YAML::scalar("nULL"), Value("nULL"));
    EXPECT_EQ(YAML::scalar("True"), Value(true));
    EXPECT_EQ(YAML::scalar("FALSE"), Value(false));
    EXPECT_EQ(YAML::scalar("tRUE"), Value("tRUE"));

    EXPECT_TRUE(YAML::scalar("8080").is_number_integer());
    EXPECT_EQ(YAML::scalar("+7"), Value(7));
    EXPECT_EQ(YAML::scalar("-9223372036854775808"), Value(INT64_MIN));
    EXPECT_EQ(YAML::scalar("+-7"), Value("+-7"));
    const Value big = YAML::scalar("99999999999999999999");
    EXPECT_TRUE(big.is_number_float());
    EXPECT_EQ(big.get<double>(), 1e20);
    EXPECT_TRUE(YAML::scalar("9223372036854775808").is_number_float()); // one past INT64_MAX

    EXPECT_EQ(YAML::scalar("1.5"), Value(1.5));
    EXPECT_EQ(YAML::scalar(".5"), Value(0.5));
    EXPECT_EQ(YAML::scalar("-2.5e3"), Value(-2500.0));
    for (const char* text : {"1.", "0x1F", "inf", "nan", "1e", "1,5", "1_000", "a # comment"}) {
        EXPECT_EQ(YAML::scalar(text), Value(text)) << text;
    }
}

TEST(YAML, ParseBlockBuildsNestedValues) {
    const auto parse = [](std::string_view text) {
        const auto pre = YAML::preprocess(text);
        std::size_t position = 0;
        return YAML::parseBlock(pre->lines, position);
    };
    EXPECT_EQ(*parse("server:\n  host: x\n  port: 1\nname: api"),
              JSON::Value::parse(R"({"server":{"host":"x","port":1},"name":"api"})"));
    EXPECT_EQ(*parse("- name: a\n  port: 1\n- b\n-\n- c: \n    d: 1"),
              JSON::Value::parse(R"([{"name":"a","port":1},"b",null,{"c":{"d":1}}])"));
    // A value on the line wins over indented lines below it, which are dropped.
    EXPECT_EQ(*parse("a: 1\n  b: 2\nc:"), JSON::Value::parse(R"({"a":1,"c":null})"));
    EXPECT_EQ(*parse("a: 1\na: 2"), JSON::Value::parse(R"({"a":2})"));
    // A block ends at the first line it cannot use.
    EXPECT_EQ(*parse("a: 1\n- x\nb: 2"), JSON::Value::parse(R"({"a":1})"));

    std::size_t pastTheEnd = 0;
    EXPECT_FALSE(YAML::parseBlock({}, pastTheEnd));
    std::size_t position = 0;
    const std::vector<Line> twoBlocks{{0, "a: 1"}, {0, "- x"}};
    YAML::parseBlock(twoBlocks, position);
    EXPECT_EQ(position, 1u);
}

} // namespace
} // namespace orvel
