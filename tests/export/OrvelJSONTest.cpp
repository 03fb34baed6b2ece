#include "orvel/OrvelJSON.h"

#include <limits>

#include <gtest/gtest.h>

#include "text/JSON.h"

namespace orvel {
namespace {

TEST(OrvelJSON, ScanDocumentIsTheCanonicalRenderingOfItsValue) {
    const DecodeResult json{DetectionKind::json, "{\n  \"a\" : \"x/y\"\n}", 0.95, "JSON", {{"top", "object"}}, true};
    const DecodeResult base64{DetectionKind::base64, "{\"a\":\"x/y\"}", 0.7, "Base64", {{"bytes", "13"}}, false};
    // Long texts are escaped piece by piece; 64 KiB into this one falls inside a "é". The golden
    // corpus holds the document of no findings.
    std::string longText;
    while (longText.size() < 200'000) longText += "x\u00E9\n\"/y";
    std::vector<ScanFinding> findings;
    for (const ScanFinding& finding :
         {ScanFinding{"{\"a\":\"x/y\"}", 2, DecodeChain{"{\"a\":\"x/y\"}", {json}}},
          ScanFinding{"eyJhIjoieC95In0=", 7, DecodeChain{"eyJhIjoieC95In0=", {base64, json}}},
          ScanFinding{"78", 9, DecodeChain{longText, {{DetectionKind::hex, longText, 0.6, "Hex", {}, true}}}}}) {
        findings.push_back(finding);
        const std::string document = OrvelJSON::string(findings);
        const auto value = JSON::parse(document);
        ASSERT_TRUE(value) << document;
        EXPECT_EQ(JSON::write(*value, {.pretty = true, .escapeSlashes = false}), document);
        EXPECT_EQ((*value)["count"], findings.size());
    }
    EXPECT_EQ(JSON::parse(OrvelJSON::string(findings[2].chain))->at("finalValue"), longText);
}

TEST(OrvelJSON, FindingWriterPutsTheDocumentTogetherAroundItsBody) {
    const ScanFinding uuid{"id 1", 3, DecodeChain{"id 1", {{DetectionKind::uuid, "x", 0.96, "UUID", {}, true}}}};
    std::string body;
    OrvelJSON::FindingWriter writer([&body](std::string_view piece) { body += piece; });
    writer.add(uuid);
    writer.add(uuid);
    std::string document;
    const auto append = [&document](std::string_view piece) { document += piece; };
    EXPECT_TRUE(writer.finish(append, [&] {
        append(body);
        return true;
    }));
    EXPECT_EQ(document, OrvelJSON::string(std::vector{uuid, uuid}));
    // A body that cannot be copied ends the document there.
    document.clear();
    EXPECT_FALSE(writer.finish(append, [] { return false; }));
    EXPECT_EQ(document, "{\n  \"count\" : 2,\n  \"findings\" : [\n");
    // The canonical writer has no spelling for NaN: the documents fall back to "{}", without the body.
    const DecodeChain nan{"x", {{DetectionKind::hex, "x", std::numeric_limits<double>::quiet_NaN(), "s", {}, true}}};
    EXPECT_EQ(OrvelJSON::string(nan), "{}");
    writer.add({"x", 4, nan});
    document.clear();
    EXPECT_TRUE(writer.finish(append, [] { return false; }));
    EXPECT_EQ(document, "{}");
}

} // namespace
} // namespace orvel
