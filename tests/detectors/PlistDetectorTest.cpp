#include "detectors/PlistDetector.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/Base64Encode.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return PlistDetector().decode(text); }

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(ORVEL_TEST_DATA) + "/plist/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void appendBigEndian(std::string& out, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

/// A binary property list whose objects are all arrays, each listing the objects it refers to
/// (four-byte references and offsets); object 0 is the root.
std::string arraysPlist(const std::vector<std::vector<std::uint32_t>>& arrays) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& references : arrays) {
        offsets.push_back(out.size());
        if (references.size() < 15) {
            out += static_cast<char>(0xA0 | references.size());
        } else {
            out += static_cast<char>(0xAF);
            out += static_cast<char>(0x12);
            appendBigEndian(out, references.size(), 4);
        }
        for (const std::uint32_t reference : references) appendBigEndian(out, reference, 4);
    }
    const std::uint64_t offsetTable = out.size();
    for (const std::uint64_t offset : offsets) appendBigEndian(out, offset, 4);
    out += std::string(6, '\0');
    out += '\x04';
    out += '\x04';
    appendBigEndian(out, arrays.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, offsetTable, 8);
    return out;
}

/// `depth` arrays, each holding the next.
std::string chain(std::uint32_t depth) {
    std::vector<std::vector<std::uint32_t>> arrays(depth);
    for (std::uint32_t i = 0; i + 1 < depth; ++i) arrays[i] = {i + 1};
    return testing::base64Encode(arraysPlist(arrays));
}

std::string repeat(std::string_view unit, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += unit;
    return text;
}

/// An XML property list of `depth` arrays, each holding the next, written with `opening` for
/// every array but the innermost.
std::string xmlChain(int depth, std::string_view opening = "<array>") {
    return "<plist version=\"1.0\">" + repeat(opening, depth - 1) + "<array></array>" + repeat("</array>", depth - 1) +
           "</plist>";
}

TEST(PlistDetector, XMLAndBinaryFormsOfOneValueRenderAlike) {
    const auto xml = decode("\n\n" + fixture("sample.plist"));
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->kind, DetectionKind::plist);
    EXPECT_EQ(xml->confidence, 0.95);
    EXPECT_TRUE(xml->terminal);
    EXPECT_EQ(xml->summary, "xml property list — root dict");
    EXPECT_EQ(xml->details, (Details{{"format", "xml"}, {"root", "dict"}}));
    EXPECT_NE(xml->output.find("<plist version=\"1.0\">"), std::string::npos);
    EXPECT_NE(xml->output.find("<date>2024-01-31T08:00:00Z</date>"), std::string::npos);
    EXPECT_NE(xml->output.find("AAFiaW5hcnk="), std::string::npos);

    const auto base64 = decode(fixture("sample.bplist.b64"));
    ASSERT_TRUE(base64);
    EXPECT_EQ(base64->summary, "binary property list (base64) — root dict");
    EXPECT_EQ(base64->details, (Details{{"format", "binary"}, {"root", "dict"}, {"wrapper", "base64"}}));
    EXPECT_EQ(base64->output, xml->output);

    // 360 hex digits are valid base64 too; only the hex reading is a property list.
    const auto hex = decode(fixture("sample.bplist.hex"));
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->details.at("wrapper"), "hex");
    EXPECT_EQ(hex->summary, "binary property list (hex) — root dict");
    EXPECT_EQ(hex->output, xml->output);

    const auto array = decode(fixture("array.bplist.b64"));
    EXPECT_EQ(array->summary, "binary property list (base64) — root array");
    std::string urlSafe = fixture("array.bplist.b64");
    std::erase(urlSafe, '=');
    EXPECT_EQ(decode(urlSafe)->details.at("wrapper"), "base64url");
}

TEST(PlistDetector, RootTypeNames) {
    const auto root = [](std::string_view body) {
        const auto result = decode("<plist version=\"1.0\">" + std::string(body) + "</plist>");
        return result ? result->details.at("root") : "declined";
    };
    EXPECT_EQ(root("<array/>"), "array");
    EXPECT_EQ(root("<dict/>"), "dict");
    EXPECT_EQ(root("<string>x</string>"), "string");
    EXPECT_EQ(root("<data>AAE=</data>"), "data");
    EXPECT_EQ(root("<date>2024-01-31T08:00:00Z</date>"), "date");
    EXPECT_EQ(root("<integer>7</integer>"), "value");
    EXPECT_EQ(root("<real>1.5</real>"), "value");
    EXPECT_EQ(root("<true/>"), "value");
}

TEST(PlistDetector, DeclinesWhatIsNotAPropertyList) {
    EXPECT_FALSE(decode("<plist version=\"1.0\"><dict><key>a</key></plist>"));
    EXPECT_FALSE(decode("<!DOCTYPE plist garbage"));
    // A wrapped XML property list is text, not a binary one.
    EXPECT_FALSE(decode(testing::base64Encode(fixture("sample.plist"))));
    EXPECT_FALSE(decode(testing::base64Encode("not a property list at all")));
    EXPECT_FALSE(decode("bplist00"));
    EXPECT_FALSE(decode(""));

    // Every truncation of a real binary property list declines cleanly.
    const std::string hex = fixture("sample.bplist.hex");
    for (std::size_t length = 2; length < hex.size(); length += 2) {
        EXPECT_FALSE(decode(hex.substr(0, length))) << length;
    }
}

TEST(PlistDetector, HostileStructuresAreRefusedBeforeLibplistBuildsThem) {
    EXPECT_TRUE(decode(chain(Limits::maxPlistDepth)));
    EXPECT_FALSE(decode(chain(Limits::maxPlistDepth + 1)));
    EXPECT_FALSE(decode(chain(100'000)));
    EXPECT_TRUE(decode(xmlChain(Limits::maxPlistDepth)));
    EXPECT_FALSE(decode(xmlChain(Limits::maxPlistDepth + 1)));
    EXPECT_FALSE(decode(xmlChain(100'000)));
    const auto flat = [](std::size_t nodes) {
        return "<plist><array>" + repeat("<true/>", static_cast<int>(nodes - 1)) + "</array></plist>";
    };
    EXPECT_TRUE(decode(flat(Limits::maxPlistNodes)));
    EXPECT_FALSE(decode(flat(Limits::maxPlistNodes + 1)));

    // Shared objects: level i refers twice to level i + 1, so 23 levels expand to 2^23 - 1 nodes.
    std::vector<std::vector<std::uint32_t>> doubling(23);
    for (std::uint32_t i = 0; i + 1 < doubling.size(); ++i) doubling[i] = {i + 1, i + 1};
    EXPECT_FALSE(decode(testing::base64Encode(arraysPlist(doubling))));

    // Both sides of the node cap: one array of references to a single empty array.
    const auto wide = [](std::size_t nodes) {
        return testing::base64Encode(arraysPlist({std::vector<std::uint32_t>(nodes - 1, 1), {}}));
    };
    EXPECT_TRUE(decode(wide(Limits::maxPlistNodes)));
    EXPECT_FALSE(decode(wide(Limits::maxPlistNodes + 1)));

    EXPECT_FALSE(decode(testing::base64Encode(arraysPlist({{1}, {0}})))); // a cycle
    EXPECT_FALSE(decode(testing::base64Encode(arraysPlist({{0}}))));      // refers to itself
    EXPECT_FALSE(decode(testing::base64Encode(arraysPlist({{5}}))));      // past the last object
}

TEST(PlistDetector, NestingIsCountedAsLibplistReadsTheTags) {
    // Each opening reads as one array to libplist (which quotes with double quotes only and
    // lets one hide "?>" in an instruction) but not to a reader that skips the wrong stretch.
    const std::string_view openings[] = {
        R"(<array x="/>">)",                            // a quoted '>' after '/'
        "<array x='>",                                  // XML would quote up to the next level's "'"
        "<array><!-- </array> /> -->",                  // a closing tag in a comment
        "<array><string><![CDATA[</array>]]></string>", // and in CDATA
        R"(<array><?p "?></array><?p "?>)",             // libplist skips the quoted stretch, XML does not
    };
    for (const std::string_view opening : openings) {
        const auto accepted = decode(xmlChain(Limits::maxPlistDepth, opening));
        EXPECT_TRUE(accepted && accepted->details.at("root") == "array") << opening;
        for (const int depth : {Limits::maxPlistDepth + 1, 600, 30'000}) {
            EXPECT_FALSE(decode(xmlChain(depth, opening))) << opening << " " << depth;
        }
    }
    // libplist ends an internal subset at the first "]>", here inside a quoted entity value.
    const std::string subset = "<!DOCTYPE plist [<!ENTITY e ']>" + xmlChain(30'000) + "'>]>" + xmlChain(2);
    EXPECT_FALSE(decode(subset));
}

} // namespace
} // namespace orvel
