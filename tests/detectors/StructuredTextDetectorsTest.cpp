// Structured documents: JSON, YAML, XML and property lists, each rendered as a final step.
// Their caps are LimitsTest's; JSON reading itself is JSONUtilTest's.
#include <fstream>

#include <gtest/gtest.h>

#include "detectors/JSONDetector.h"
#include "detectors/PlistDetector.h"
#include "detectors/XMLDetector.h"
#include "detectors/YAMLDetector.h"
#include "support/Base64Encode.h"
#include "support/BillionLaughs.h"
#include "support/BinaryPlist.h"
#include "support/Readings.h"
#include "support/TestData.h"
#include "text/JSON.h"

namespace orvel {
namespace {

using namespace std::string_view_literals;
using testing::base64Encode;
using testing::detail;
using testing::expectDeclines;
using testing::expectReadings;
using testing::readTestData;

TEST(JSONDetector, NamesTheTopLevelAndReadsPastANul) {
    const std::string canonical = "{\n  \"a\" : [],\n  \"z\" : {\n    \"x\" : \"a/b\"\n  }\n}";
    EXPECT_EQ(JSONDetector().decode(canonical)->output, canonical); // a terminal step may repeat its input
    EXPECT_EQ(JSONDetector().decode("\n  [1,2]")->summary, "JSON array");
    // Scalars, text that is not all one document, and NULs, which are no end of the text.
    expectDeclines(JSONDetector(), {"1", "\"s\"", "true", "null", "{", "{'a':1}", "[1] x", std::string("\0[1,2]"sv),
                                    std::string("[1,2]\0garbage"sv), std::string("{\"a\":1}\0"sv)});
}

/// The canonical rendering of a JSON text, for comparing outputs without spelling them out.
std::string canonical(std::string_view json) {
    return *JSON::write(*JSON::parse(json), {.pretty = true, .escapeSlashes = false});
}

TEST(YAMLDetector, BlockMappingsAndSequencesBecomeJSON) {
    std::string unused = "a: 1\n"; // lines the value never uses do not count toward the depth
    for (std::size_t level = 1; level <= 2000; ++level) unused += std::string(level, ' ') + "k:\n";
    expectReadings(YAMLDetector(),
                   {// The trimmed text starts at indent 0; lines after the first become its dropped children.
                    {"    a: 1\n    b: 2\n    c: 3", canonical(R"({"a":1})")},
                    // Without a colon anywhere, only an indented dash on a later line shows the sequence.
                    {"# list\n  - a\n  - b", canonical(R"(["a","b"])")},
                    {unused + "b: 2", canonical(R"({"a":1,"b":2})")}});
    // One line, flow collections or markup first, tabs, prose, nothing but a comment, and a
    // number that has no JSON spelling.
    expectDeclines(YAMLDetector(),
                   {"key: value", "{\"a\": 1}\nb: 2", "[1]\nb: 2", "<a>\nb: 2</a>", "a:\n\tb: 1", "a: 1\njust prose",
                    "Hello world.\nThis is text.", "# only a comment\n---", "a: 1e999\nb: 2"});
    // The golden corpus holds mappings of one key and of several, and a sequence of one item.
    EXPECT_EQ(YAMLDetector().decode("- a\n- b\n- c")->summary, "YAML sequence → JSON (3 items)");
    std::string sequences; // nested far past the cap, without running the stack out
    for (std::size_t level = 0; level < 2000; ++level) sequences += std::string(level * 2, ' ') + "- k:\n";
    EXPECT_FALSE(YAMLDetector().decode(sequences));
}

// The golden corpus holds the library layout of every kind of node, and the summaries.
TEST(XMLDetector, NamesTheRootAndDeclinesWhatIsNotOneDocument) {
    // A root keeps its prefix.
    EXPECT_EQ(XMLDetector().decode(R"(<s:Envelope xmlns:s="urn:x"><s:Body/></s:Envelope>)")->details.at("root"),
              "s:Envelope");
    // A declared encoding does not re-decode text that is already Unicode.
    expectReadings(XMLDetector(), {{"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\u00E9</a>",
                                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>caf\u00E9</a>"}});
    // Ill-formed documents, and property lists, which belong to the property-list detector.
    expectDeclines(XMLDetector(), {"<a><b></a>", "< not xml", "<a></a><b></b>", "<?xml version=\"1.0\"?>", "text <a/>",
                                   "<a>&undefined;</a>", "<plist version=\"1.0\"><dict/></plist>",
                                   "<?xml version=\"1.0\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<array/>"});
}

TEST(XMLDetector, EntitiesAndDeclarationsNeverMakeHiddenWork) {
    // Billion laughs: entities stay references or the document is refused; never expanded.
    EXPECT_FALSE(XMLDetector().decode(testing::billionLaughs()));

    // An external entity or DTD naming a local file is never read: the reference stays a reference.
    const std::string secret = ::testing::TempDir() + "orvel-xml-secret.txt";
    std::ofstream(secret) << "TOP-SECRET";
    for (const std::string& document : {"<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secret + "\">]><r>&x;</r>",
                                        "<!DOCTYPE r SYSTEM \"file://" + secret + "\"><r>&amp;</r>"}) {
        const auto result = XMLDetector().decode(document);
        ASSERT_TRUE(result) << document;
        EXPECT_TRUE(result->output.ends_with("<r>&x;</r>") || result->output.ends_with("<r>&amp;</r>"));
        EXPECT_EQ(result->output.find("TOP-SECRET"), std::string::npos);
    }
    // Defaults join every start tag of their element, parameter entities are read in as more
    // declarations, and an entity's markup is parsed where it is used: libxml2 would work where
    // the pre-scan does not look, so such a document type is refused.
    const std::pair<std::string_view, bool> subsets[] = {
        // clang-format off
        {R"(<!ENTITY nbsp "&#160;"><!-- c --><?pi x?><!ELEMENT r ANY><!ATTLIST r id ID #IMPLIED>)", true},
        {R"(<!ATTLIST r a CDATA "v">)", false}, {R"(<!ATTLIST r a CDATA #FIXED 'v'>)", false},
        {R"(<!ENTITY % p ""> %p;)", false}, {R"(<!ENTITY e "<b a='1'/>">)", false},
        {R"(<!ENTITY e "&#60;b/>">)", false}, {R"(<!ENTITY e "&#x26;f;">)", false},
        {R"(<!ENTITY f "x"><!ENTITY e "&f;&f;">)", false}};
    // clang-format on
    for (const auto& [subset, accepted] : subsets) {
        EXPECT_EQ(XMLDetector().decode("<!DOCTYPE r [" + std::string(subset) + "]><r/>").has_value(), accepted)
            << subset;
    }
}

// The golden corpus records the XML, base64 and hex forms of one value rendering alike (360 hex
// digits are valid base64 too; only the hex reading is a property list).
TEST(PlistDetector, ScalarsAtTheRootAreValues) {
    const auto plist = [](std::string_view body) { return "<plist version=\"1.0\">" + std::string(body) + "</plist>"; };
    expectReadings(PlistDetector(), {{plist("<data>AAE=</data>"), "data"}, {plist("<real>1.5</real>"), "value"}},
                   detail("root"));
}

TEST(PlistDetector, DeclinesBrokenAndCyclicLists) {
    // A wrapped XML list is text, not a binary list; a cycle, a self-reference, a reference past the last object.
    expectDeclines(PlistDetector(),
                   {"<plist version=\"1.0\"><dict><key>a</key></plist>", "<!DOCTYPE plist garbage",
                    base64Encode(readTestData("plist/sample.plist")), base64Encode("not a property list at all"),
                    "bplist00", base64Encode(testing::arraysPlist({{1}, {0}})),
                    base64Encode(testing::arraysPlist({{0}})), base64Encode(testing::arraysPlist({{5}}))});
    // Every truncation of a real binary property list declines cleanly.
    const std::string hex = readTestData("plist/sample.bplist.hex");
    for (std::size_t length = 2; length < hex.size(); length += 2) {
        EXPECT_FALSE(PlistDetector().decode(hex.substr(0, length))) << length;
    }
}

} // namespace
} // namespace orvel
