#include "orvel/OrvelJSON.h"

#include <limits>

#include <gtest/gtest.h>

#include "orvel/JSON.h"

namespace orvel {
namespace {

TEST(OrvelJSON, UnrecognisedChainAndEmptyScan) {
    EXPECT_EQ(OrvelJSON::string(DecodeChain{"a/b\nc", {}}),
              "{\n"
              "  \"finalValue\" : \"a/b\\nc\",\n"
              "  \"input\" : \"a/b\\nc\",\n"
              "  \"recognized\" : false,\n"
              "  \"shape\" : [],\n"
              "  \"steps\" : []\n"
              "}");
    EXPECT_EQ(OrvelJSON::string(std::vector<ScanFinding>{}), "{\n  \"count\" : 0,\n  \"findings\" : []\n}");
}

TEST(OrvelJSON, ChainDocumentListsEveryValueWithSortedKeys) {
    const DecodeResult base64{DetectionKind::base64url, "{\"a\":1}", 0.7, "Base64url → 7 bytes of text", {{"bytes", "7"}}, false};
    const DecodeResult json{DetectionKind::json, "{\n  \"a\" : 1\n}", 0.95, "JSON object", {{"topLevel", "object"}, {"b", "x"}}, true};
    const DecodeChain chain{"eyJhIjoxfQ", {base64, json}};
    EXPECT_EQ(OrvelJSON::string(chain),
              R"({
  "finalValue" : "{\n  \"a\" : 1\n}",
  "input" : "eyJhIjoxfQ",
  "recognized" : true,
  "shape" : [
    "base64url",
    "json"
  ],
  "steps" : [
    {
      "confidence" : 0.7,
      "details" : {
        "bytes" : "7"
      },
      "kind" : "base64url",
      "output" : "{\"a\":1}",
      "summary" : "Base64url → 7 bytes of text",
      "terminal" : false
    },
    {
      "confidence" : 0.95,
      "details" : {
        "b" : "x",
        "topLevel" : "object"
      },
      "kind" : "json",
      "output" : "{\n  \"a\" : 1\n}",
      "summary" : "JSON object",
      "terminal" : true
    }
  ]
})");
}

TEST(OrvelJSON, FindingRepeatsItsChainShape) {
    const DecodeResult step{DetectionKind::uuid, "x", 0.96, "UUID", {}, true};
    const ScanFinding finding{"id 1", 3, DecodeChain{"id 1", {step}}};
    const std::string document = OrvelJSON::string(std::vector{finding});
    EXPECT_NE(document.find("\"count\" : 1"), std::string::npos);
    EXPECT_NE(document.find("      \"line\" : 3,\n      \"matchedText\" : \"id 1\",\n      \"shape\" : [\n        \"uuid\"\n      ]"),
              std::string::npos);
    EXPECT_NE(document.find("        \"shape\" : [\n          \"uuid\"\n        ],"), std::string::npos);
}

TEST(OrvelJSON, ScanDocumentIsTheCanonicalRenderingOfItsValue) {
    const DecodeResult json{DetectionKind::json, "{\n  \"a\" : \"x/y\"\n}", 0.95, "JSON object", {{"topLevel", "object"}}, true};
    const DecodeResult base64{DetectionKind::base64, "{\"a\":\"x/y\"}", 0.7, "Base64 → 13 bytes of text", {{"bytes", "13"}}, false};
    // Long texts are escaped piece by piece; 64 KiB into this one falls inside a "é".
    std::string longText;
    while (longText.size() < 200'000) longText += "x\u00E9\n\"/y";
    const DecodeResult hex{DetectionKind::hex, longText, 0.6, "Hex → text", {{"bytes", "7"}}, true};
    const std::vector<ScanFinding> findings{{"{\"a\":\"x/y\"}", 2, DecodeChain{"{\"a\":\"x/y\"}", {json}}},
                                            {"eyJhIjoieC95In0=", 7, DecodeChain{"eyJhIjoieC95In0=", {base64, json}}},
                                            {"78", 9, DecodeChain{longText, {hex}}}};
    for (std::size_t count = 0; count <= findings.size(); ++count) {
        const std::string document = OrvelJSON::string(std::vector(findings.begin(), findings.begin() + static_cast<long>(count)));
        const auto value = JSON::parse(document);
        ASSERT_TRUE(value) << document;
        EXPECT_EQ(JSON::write(*value, {.pretty = true, .escapeSlashes = false}), document);
        EXPECT_EQ((*value)["count"], count);
    }
    EXPECT_EQ(JSON::parse(OrvelJSON::string(findings[2].chain))->at("finalValue"), longText);
}

TEST(OrvelJSON, UnwritableValueFallsBackToEmptyObject) {
    const DecodeResult nan{DetectionKind::hex, "x", std::numeric_limits<double>::quiet_NaN(), "s", {}, true};
    EXPECT_EQ(OrvelJSON::string(DecodeChain{"x", {nan}}), "{}");
    EXPECT_EQ(OrvelJSON::string(std::vector{ScanFinding{"x", 1, DecodeChain{"x", {nan}}}}), "{}");
}

} // namespace
} // namespace orvel
