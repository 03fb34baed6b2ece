#include "orvel/OrvelJSON.h"

#include <limits>

#include <gtest/gtest.h>

#include "text/JSON.h"

namespace orvel {
namespace {

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
    writer.add(uuid);
    document.clear();
    EXPECT_TRUE(writer.finish(append, [] { return false; }));
    EXPECT_EQ(document, "{}");
}

} // namespace
} // namespace orvel
