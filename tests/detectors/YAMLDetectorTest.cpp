#include "detectors/YAMLDetector.h"

#include <gtest/gtest.h>

#include "orvel/JSON.h"
#include "orvel/Limits.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return YAMLDetector().decode(text); }

/// The canonical rendering of a JSON text, for comparing outputs without spelling them out.
std::string canonical(std::string_view json) {
    return *JSON::write(*JSON::parse(json), {.pretty = true, .escapeSlashes = false});
}

/// A mapping nested `depth` levels deep: "k:" lines one space further in each time, the first
/// at `indent`.
std::string staircase(std::size_t depth, std::size_t indent = 0) {
    std::string text;
    for (std::size_t level = 0; level + 1 < depth; ++level) text += std::string(indent + level, ' ') + "k:\n";
    return text + std::string(indent + depth - 1, ' ') + "k: v";
}

TEST(YAMLDetector, FlatMappingBecomesCanonicalJSON) {
    const auto result = decode("name: api\nport: 8080\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::yaml);
    EXPECT_EQ(result->output, "{\n  \"name\" : \"api\",\n  \"port\" : 8080\n}");
    EXPECT_EQ(result->confidence, 0.6);
    EXPECT_TRUE(result->terminal);
    EXPECT_EQ(result->summary, "YAML mapping → JSON (2 keys)");
    EXPECT_EQ(result->details, (Details{{"shape", "mapping"}, {"entries", "2"}, {"normalized", "json"}}));

    const auto list = decode("- a\n- b\n- c");
    EXPECT_EQ(list->summary, "YAML sequence → JSON (3 items)");
    EXPECT_EQ(list->details.at("shape"), "sequence");
    EXPECT_EQ(decode("---\n- only")->summary, "YAML sequence → JSON (1 item)");
    EXPECT_EQ(decode("server:\n  host: x\n  port: 1")->summary, "YAML mapping → JSON (1 key)");
}

TEST(YAMLDetector, RealConfigurationFiles) {
    const auto workflow = decode(R"(# CI
name: CI
on:
  push:
    branches:
      - main
jobs:
  build:
    runs-on: ubuntu-latest
    steps:
      - uses: actions/checkout@v4
      - name: Test
        run: make test
        env:
          CI: true
)");
    ASSERT_TRUE(workflow);
    EXPECT_EQ(workflow->output, canonical(R"({"name":"CI","on":{"push":{"branches":["main"]}},
        "jobs":{"build":{"runs-on":"ubuntu-latest","steps":[{"uses":"actions/checkout@v4"},
        {"name":"Test","run":"make test","env":{"CI":true}}]}}})"));
    EXPECT_EQ(workflow->summary, "YAML mapping → JSON (3 keys)");

    const auto manifest = decode(R"(apiVersion: v1
kind: Service
metadata:
  name: web
  labels:
    app: "web"
spec:
  ports:
    - port: 80
      targetPort: 8080
      protocol: TCP
  selector:
    app: web
)");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->output, canonical(R"({"apiVersion":"v1","kind":"Service",
        "metadata":{"name":"web","labels":{"app":"web"}},
        "spec":{"ports":[{"port":80,"targetPort":8080,"protocol":"TCP"}],"selector":{"app":"web"}}})"));
}

TEST(YAMLDetector, QuirksOfTheSmallReader) {
    EXPECT_EQ(decode("url: https://example.com/a\nx: 1")->output,
              canonical(R"({"url":"https://example.com/a","x":1})"));
    EXPECT_EQ(decode("a: yes\nb: 'true'\nc: x # note")->output, canonical(R"({"a":"yes","b":"true","c":"x # note"})"));
    // The trimmed text starts at indent 0; lines after the first become its dropped children.
    const auto indented = decode("    a: 1\n    b: 2\n    c: 3");
    EXPECT_EQ(indented->output, canonical(R"({"a":1})"));
    EXPECT_EQ(indented->summary, "YAML mapping → JSON (1 key)");
    EXPECT_TRUE(decode("---\nkey: value"));
    EXPECT_EQ(decode("k: \"\u0308x\"\nn: \"x\"")->output, canonical(R"({"k":"\"\u0308x\"","n":"x"})"));
    // Without a colon anywhere, only an indented dash on a later line shows the sequence.
    EXPECT_EQ(decode("# list\n  - a\n  - b")->output, canonical(R"(["a","b"])"));
}

TEST(YAMLDetector, DeclinesWhatIsNotBlockYAML) {
    EXPECT_FALSE(decode("key: value"));
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode("{\"a\": 1}\nb: 2"));
    EXPECT_FALSE(decode("[1]\nb: 2"));
    EXPECT_FALSE(decode("<a>\nb: 2</a>"));
    EXPECT_FALSE(decode("a:\n\tb: 1"));
    EXPECT_FALSE(decode("a: 1\njust prose"));
    EXPECT_FALSE(decode("Hello world.\nThis is text."));
    EXPECT_FALSE(decode("# only a comment\n---"));
    EXPECT_FALSE(decode("a: 1e999\nb: 2")); // an infinity has no JSON spelling
}

TEST(YAMLDetector, NestingIsCappedWhereJSONIs) {
    EXPECT_TRUE(decode(staircase(Limits::maxJSONDepth)));
    EXPECT_FALSE(decode(staircase(Limits::maxJSONDepth + 1)));
    // Far deeper staircases decline without running the stack out.
    EXPECT_FALSE(decode(staircase(2000)));
    // Lines the value never uses do not count toward the depth.
    EXPECT_EQ(decode("a: 1\n" + staircase(2000, 1) + "\nb: 2")->output, canonical(R"({"a":1,"b":2})"));
    std::string sequences;
    for (std::size_t level = 0; level < 2000; ++level) sequences += std::string(level * 2, ' ') + "- k:\n";
    EXPECT_FALSE(decode(sequences));
}

} // namespace
} // namespace orvel
