// The JSON reader, the canonical writer and the pretty-printer the detectors use.
#include "text/JSON.h"
#include "orvel/Limits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using orvel::JSON::appendEscaped;
using orvel::JSON::parse;
using orvel::JSON::reformat;
using orvel::JSON::Value;
using orvel::JSON::write;
using orvel::JSON::WriteOptions;
using namespace std::string_view_literals;

constexpr WriteOptions compact{};
constexpr WriteOptions pretty{.pretty = true};

std::string compactText(const Value& value) { return write(value, compact).value_or("<absent>"); }

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

Value nestedValue(int depth) {
    Value value = Value::array();
    // Moved, so building stays linear in the depth.
    for (int level = 1; level < depth; ++level) value = Value::array({std::move(value)});
    return value;
}

TEST(JSONTest, KeysInAscendingCodePointOrderAndStringEscapes) {
    // Bytes compare unsigned: U+00E9 (C3 A9) sorts after "z".
    const Value value = parse(R"({"b":0,"alg_note":0,"a":0,"B":0,"alg":0,"\u00e9":0,"z":0,"_":0})").value();
    EXPECT_EQ(write(value, compact), R"({"B":0,"_":0,"a":0,"alg":0,"alg_note":0,"b":0,"z":0,"é":0})");
    // Only the quotation mark, the backslash and controls are escaped, in keys too: DEL, non-ASCII,
    // the line separators and "/" go out as they are.
    Value escapes;
    escapes["k/\"\n"] =
        "quote\" backslash\\ \b\f\n\r\t " + std::string("\0\x01\x1f\x1b", 4) + " \x7F caf\xC3\xA9 \xE2\x80\xA8 a/b";
    EXPECT_EQ(compactText(escapes), "{\"k/\\\"\\n\":\"quote\\\" backslash\\\\ \\b\\f\\n\\r\\t "
                                    "\\u0000\\u0001\\u001f\\u001b \x7F caf\xC3\xA9 \xE2\x80\xA8 a/b\"}");
    EXPECT_EQ(write(Value("https://x/y"), {.escapeSlashes = true}), R"("https:\/\/x\/y")");
    // A value built by hand may hold broken UTF-8; the text written never does.
    EXPECT_EQ(compactText(Value("a\xFF")), "\"a\xEF\xBF\xBD\"");
}

// Plain stretches are skipped eight bytes at a time: a byte that needs attention is found at
// every place in a word, and the bytes just short of and past it are left alone.
TEST(JSONTest, EscapesAByteWhereverItFallsInAWord) {
    const std::pair<std::string, std::string> cases[] = {{"\"", "\\\""},      {"\\", "\\\\"},
                                                         {"\x1f", "\\u001f"}, {std::string(1, '\0'), "\\u0000"},
                                                         {"/", "\\/"},        {"\xC3\xA9", "\xC3\xA9"},
                                                         {" ", " "},          {"!", "!"},
                                                         {"#", "#"},          {"[", "["},
                                                         {"]", "]"},          {".", "."},
                                                         {"0", "0"},          {"\x7F", "\x7F"}};
    for (const auto& [byte, escaped] : cases) {
        for (std::size_t at = 0; at <= 17; ++at) {
            std::string out;
            appendEscaped(out, std::string(at, 'a') + byte + std::string(17 - at, 'b'), {.escapeSlashes = true});
            EXPECT_EQ(out, std::string(at, 'a') + escaped + std::string(17 - at, 'b')) << at;
        }
    }
}

TEST(JSONTest, Numbers) {
    // Doubles as ECMAScript's String(x) writes them (each row checked with node), at the edges of
    // the plain range and of the shortest round-trip digits.
    // clang-format off
    const std::pair<double, const char*> doubles[] = {
        {0.1, "0.1"}, {1.0, "1"}, {-0.0, "0"}, {1.5e-7, "1.5e-7"}, {9.999999999999999e-8, "1e-7"},
        {9.999999999999998e-8, "9.999999999999998e-8"}, {-1e-7, "-1e-7"}, {1e-6, "0.000001"},
        {9.999999999999997e-7, "9.999999999999997e-7"}, {0.000001234, "0.000001234"}, {1e21, "1e+21"},
        {999999999999999900000.0, "999999999999999900000"}, {1.5e21, "1.5e+21"}, {0x1p63, "9223372036854776000"},
        {5e-324, "5e-324"}, {1.7976931348623157e308, "1.7976931348623157e+308"}, {0.1 + 0.2, "0.30000000000000004"},
        {1767232800.9, "1767232800.9"}};
    // clang-format on
    for (const auto& [number, text] : doubles) EXPECT_EQ(compactText(Value(number)), text) << text;
    // Integers wider than 64 bits are read as doubles and written the same way.
    EXPECT_EQ(compactText(parse("[123456789012345678901,1E2,-0.0]").value()), "[123456789012345680000,100,0]");
    EXPECT_EQ(compactText(Value(std::numeric_limits<std::uint64_t>::max())), "18446744073709551615");
    EXPECT_EQ(compactText(Value(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
    // Nothing without a JSON spelling is written, and one such value anywhere makes the whole document absent.
    for (const Value& value : {Value(std::numeric_limits<double>::quiet_NaN()), Value::binary({1, 2}),
                               Value({{"a", {{"b", Value::array({1, std::numeric_limits<double>::infinity()})}}}})}) {
        EXPECT_EQ(write(value, pretty), std::nullopt) << value.type_name();
    }
}

TEST(JSONTest, ReaderTakesRFC8259AndDeclinesMalformedTextAndLogWords) {
    // A repeated key keeps its last value; a leading byte order mark is skipped (RFC 8259 allows either).
    EXPECT_EQ(parse(R"({"a":1,"a":2})"), Value({{"a", 2}}));
    // Integers stay integers up to 64 bits, signed or unsigned; wider ones become doubles. "-0"
    // reads as the integer 0, "-0.0" keeps its sign, and a double that overflows is an error.
    EXPECT_TRUE(parse("18446744073709551615")->is_number_unsigned());
    EXPECT_EQ(parse("-9223372036854775808")->get<std::int64_t>(), std::numeric_limits<std::int64_t>::min());
    for (const char* text : {"1.0", "18446744073709551616", "-9223372036854775809"}) {
        EXPECT_TRUE(parse(text)->is_number_float()) << text;
    }
    EXPECT_TRUE(parse("-0")->is_number_integer());
    EXPECT_TRUE(std::signbit(parse("-0.0")->get<double>()));
    // Invalid UTF-8 inside a string (truncated, overlong, surrogate, above U+10FFFF), bracketed
    // log words, refused at their first element, and a NUL, which is no end of the text.
    // clang-format off
    const std::string_view declined[] = {
        "", "[1,]", "01", "NaN", "'a'", "[1] x", "[1]]", "\"\x01\"", "\"unterminated", "{\"a\" 1}", "\"\\ud800\"",
        "[\"\xC3\"]", "[\"\xC0\xAF\"]", "[\"\xED\xA0\x80\"]", "[\"\xF4\x90\x80\x80\"]", "{\"\xFF\":1}", "[INFO]",
        "[2026-10-09T00:00:00Z]", "[0x1f]", "[12 34]", "{user}", "[-", "1e400", "\0[1,2]"sv, "[1,2]\0garbage"sv,
        "[1,2]\0"sv, "{\"a\":\"x\0\"}"sv};
    // clang-format on
    for (const std::string_view text : declined) EXPECT_EQ(parse(text), std::nullopt) << ::testing::PrintToString(text);
    // Every way a first element may open still reaches the parser.
    const std::pair<const char*, Value> accepted[] = {{"[ -1.5E+3 ,2]", Value::array({-1500.0, 2})},
                                                      {"[7\n]", Value::array({7})},
                                                      {"[0]", Value::array({0})},
                                                      {"[true, false, null]", Value::array({true, false, nullptr})},
                                                      {"[\"caf\xC3\xA9\"]", Value::array({"caf\xC3\xA9"})},
                                                      {"[[], {}]", Value::array({Value::array(), Value::object()})},
                                                      {"\xEF\xBB\xBF { \"a\" : 1 }", Value({{"a", 1}})}};
    for (const auto& [text, value] : accepted) EXPECT_EQ(parse(text), value) << text;
}

TEST(JSONTest, DepthLimitOnBothSides) {
    constexpr auto limit = static_cast<std::size_t>(orvel::Limits::maxJSONDepth);
    EXPECT_TRUE(parse(nested(limit)).has_value());
    EXPECT_EQ(parse(nested(limit + 1)), std::nullopt);
    std::string objects;
    for (std::size_t i = 0; i < limit; ++i) objects += "{\"k\":";
    objects += "0" + std::string(limit, '}');
    EXPECT_TRUE(parse(objects).has_value());
    EXPECT_EQ(parse("[" + objects + "]"), std::nullopt);
    // Brackets inside strings, escaped quotes included, do not nest.
    EXPECT_TRUE(parse("[\"" + std::string(1000, '[') + "\\\"" + std::string(1000, '{') + "\"]").has_value());
    // Closing brackets do not let a later run go deeper than the limit.
    EXPECT_TRUE(parse("[" + nested(limit - 1) + "," + nested(limit - 1) + "]").has_value());
    // A hundred thousand openers decline before any stack is spent on them (alone, they are the
    // facade's hostile-input row).
    EXPECT_EQ(parse(nested(100000)), std::nullopt);

    EXPECT_EQ(write(nestedValue(orvel::Limits::maxJSONDepth), compact), nested(limit));
    EXPECT_EQ(write(nestedValue(orvel::Limits::maxJSONDepth + 1), compact), std::nullopt);
    Value deepObject = 0;
    for (std::size_t i = 0; i <= limit; ++i) deepObject = Value({{"k", std::move(deepObject)}});
    EXPECT_EQ(write(deepObject, pretty), std::nullopt);
    EXPECT_TRUE(write(deepObject["k"], pretty).has_value());
}

// reformat() reads into its own compact form, never a Value, and must still agree with
// parse() and write() byte for byte, absence included; and writing is canonical: what was
// written reads back to the same value and writes the same bytes again.
TEST(JSONTest, ReformatWritesWhatParseThenWriteWouldAndRoundTrips) {
    std::string manyKeys = "{";
    for (int i = 300; i > 0; --i) manyKeys += "\"k" + std::to_string(i % 97) + "\":[" + std::to_string(i) + "],";
    std::vector<std::string> texts = {
        // clang-format off
        R"({"b":{"y":[1,{"z":null,"a":true}],"x":{}},"a":[],"B":[[]],"\u00e9":"caf\u00e9","~":"a/b\n\u0000"})",
        R"({"a":1,"b":2,"a":{"c":3},"a":[4],"b":"last"})",
        R"([0.1,1e300,-5e-324,18446744073709551615,-9223372036854775808,-0,-0.0,1E2,123456789012345678901,false])",
        R"({"nested":{"deep":[[[{}]],[]]},"text":"tab\t quote\" nul\u0000 é 😀"})",
        "\xEF\xBB\xBF [ \"\\ud83d\\ude00\", {\"\":\"\"} ]\n",
        manyKeys + "\"\":{}}",
        "{\"" + std::string(200, 'k') + "\":\"" + std::string(20000, 'v') + "\",\"k\":[\"\",\"x\"]}",
        nested(static_cast<std::size_t>(orvel::Limits::maxJSONDepth)),
        nested(static_cast<std::size_t>(orvel::Limits::maxJSONDepth) + 1),
        std::string("[1,2]\0"sv), "\"scalar\"", "-12", "3.14159", "[1e400]", "[1,]", "[1] x", "{\"\xFF\":1}", ""};
    // clang-format on
    for (const std::string& text : texts) {
        const auto value = parse(text);
        for (const WriteOptions options : {compact, pretty, WriteOptions{true, true}}) {
            const auto written = value ? write(*value, options) : std::nullopt;
            EXPECT_EQ(reformat(text, options), written) << text;
            if (!written) continue;
            EXPECT_EQ(parse(*written), value) << *written;
            EXPECT_EQ(write(parse(*written).value(), options), written);
        }
    }
}

} // namespace
