#include "orvel/JSONUtil.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(JSONUtil, RendersObjectsAndArraysCanonically) {
    const auto object = JSONUtil::prettyPrinted(R"({"b":1,"a":[true,null,"x/y"]})");
    ASSERT_TRUE(object);
    EXPECT_EQ(object->topLevel, "object");
    EXPECT_EQ(object->pretty, "{\n  \"a\" : [\n    true,\n    null,\n    \"x/y\"\n  ],\n  \"b\" : 1\n}");

    const auto array = JSONUtil::prettyPrinted("  \n [1, 2.5]\t");
    ASSERT_TRUE(array);
    EXPECT_EQ(array->topLevel, "array");
    EXPECT_EQ(array->pretty, "[\n  1,\n  2.5\n]");

    // Member order and white space do not change the rendering.
    EXPECT_EQ(JSONUtil::prettyPrinted(R"({"a":[true,null,"x/y"],  "b":1})")->pretty, object->pretty);
}

TEST(JSONUtil, DeclinesScalarsAndBrokenDocuments) {
    for (const char* text : {"1", "\"s\"", "true", "null", "", "   ", "{", "{\"a\":1,}", "{'a':1}", "{a:1}", "[1] x", "[1]]"}) {
        EXPECT_FALSE(JSONUtil::prettyPrinted(text)) << text;
    }
}

} // namespace
} // namespace orvel
