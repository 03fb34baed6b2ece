#include "detectors/JSONDetector.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

using namespace std::string_view_literals;

TEST(JSONDetector, RendersObjectsAndArraysAsTerminalSteps) {
    const auto object = JSONDetector().decode(R"({"z":{"y":1,"x":"a/b"},"a":[]})");
    ASSERT_TRUE(object);
    EXPECT_EQ(object->kind, DetectionKind::json);
    EXPECT_EQ(object->output, "{\n  \"a\" : [],\n  \"z\" : {\n    \"x\" : \"a/b\",\n    \"y\" : 1\n  }\n}");
    EXPECT_EQ(object->confidence, 0.95);
    EXPECT_TRUE(object->terminal);
    EXPECT_EQ(object->summary, "JSON object");
    EXPECT_EQ(object->details, (Details{{"topLevel", "object"}}));

    const auto array = JSONDetector().decode("\n  [1,2]");
    ASSERT_TRUE(array);
    EXPECT_EQ(array->summary, "JSON array");
    EXPECT_EQ(array->details.at("topLevel"), "array");

    // An already canonical document is still accepted: a terminal step may repeat its input.
    EXPECT_EQ(JSONDetector().decode(object->output)->output, object->output);
}

TEST(JSONDetector, DeclinesScalarsAndInvalidDocuments) {
    for (const char* text : {"42", "\"text\"", "true", "false", "null", "{\"a\":1,}", "{'a':1}", "{a:1}", "[1,"}) {
        EXPECT_FALSE(JSONDetector().decode(text)) << text;
    }
    EXPECT_FALSE(JSONDetector().decode(std::string(100'000, '[')));
    // A NUL does not end the text early: what follows it is still read, and fails.
    for (const std::string_view text : {"\0[1,2]"sv, "[1,2]\0garbage"sv, "{\"a\":1}\0"sv}) {
        EXPECT_FALSE(JSONDetector().decode(text)) << text.find('\0');
    }
}

} // namespace
} // namespace orvel
