#include "detectors/XMLDetector.h"

#include <fstream>

#include <gtest/gtest.h>

#include "detectors/MarkupShape.h"
#include "orvel/Limits.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return XMLDetector().decode(text); }

std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<e>";
    for (int i = 0; i < depth; ++i) text += "</e>";
    return text;
}

/// An element with `count` attributes named `name` and a number, their values in `quote`s.
std::string attributed(std::size_t count, std::string_view element = "<r", std::string_view name = "a",
                       char quote = '"') {
    std::string text(element);
    for (std::size_t i = 0; i < count; ++i)
        text += " " + std::string(name) + std::to_string(i) + "=" + quote + "v" + quote;
    return text + "/>";
}

std::string repeat(std::string_view unit, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += unit;
    return text;
}

TEST(XMLDetector, RootAndChildElements) {
    const auto list = decode("<list><item>a</item><item/><!-- c --><item>c</item>text</list>");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->kind, DetectionKind::xml);
    EXPECT_EQ(list->confidence, 0.9);
    EXPECT_TRUE(list->terminal);
    EXPECT_EQ(list->summary, "XML — root <list>, 3 child elements");
    EXPECT_EQ(list->details, (Details{{"root", "list"}, {"childElements", "3"}}));

    EXPECT_EQ(decode("<a><b/></a>")->summary, "XML — root <a>, 1 child element");
    EXPECT_EQ(decode("<a>only text</a>")->summary, "XML — root <a>, 0 child elements");
    EXPECT_EQ(decode("<a/>")->details.at("childElements"), "0");
    const auto prefixed = decode(R"(<s:Envelope xmlns:s="urn:x"><s:Body/></s:Envelope>)");
    EXPECT_EQ(prefixed->details.at("root"), "s:Envelope");
}

TEST(XMLDetector, RendersInTheLibraryLayoutWhateverTheInputLayout) {
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<config>\n  <name>api</name>\n  <ports>\n    <port n=\"80\"/>\n    <port n=\"443\"/>\n"
        "  </ports>\n  <empty/>\n</config>";
    const auto compact = decode("\n  <?xml version=\"1.0\"?><config><name>api</name><ports><port n=\"80\"></port>"
                                "<port n='443'/></ports><empty></empty></config>\n");
    ASSERT_TRUE(compact);
    EXPECT_EQ(compact->output, expected);
    const auto indented = decode("<?xml version=\"1.0\"?>\n<config>\n\t<name>api</name>\n\t<ports>\n"
                                 "\t\t\t<port n=\"80\"/>\n  <port n=\"443\"/>\n\t</ports>\n\t<empty/>\n</config>\n");
    ASSERT_TRUE(indented);
    EXPECT_EQ(indented->output, expected);

    // No declaration in, none out; text and mixed content keep every character.
    EXPECT_EQ(decode("<p>Hello <b>big</b>  world</p>")->output, "<p>Hello <b>big</b>  world</p>");
    EXPECT_EQ(decode("<a><b>  </b></a>")->output, "<a>\n  <b>  </b>\n</a>");
    // A declared encoding does not re-decode text that is already Unicode.
    EXPECT_EQ(decode("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\u00E9</a>")->output,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>caf\u00E9</a>");
}

TEST(XMLDetector, DeclinesWhatIsNotAWellFormedDocument) {
    EXPECT_FALSE(decode("<a><b></a>"));
    EXPECT_FALSE(decode("< not xml"));
    EXPECT_FALSE(decode("<a></a><b></b>"));
    EXPECT_FALSE(decode("<?xml version=\"1.0\"?>"));
    EXPECT_FALSE(decode("text <a/>"));
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode("<a>&undefined;</a>"));
    // Property lists belong to the property-list detector.
    EXPECT_FALSE(decode("<plist version=\"1.0\"><dict/></plist>"));
    EXPECT_FALSE(decode("<?xml version=\"1.0\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<array/>"));
}

TEST(XMLDetector, HostileDocumentsStayBounded) {
    EXPECT_TRUE(decode(nested(Limits::maxXMLDepth)));
    EXPECT_FALSE(decode(nested(Limits::maxXMLDepth + 1)));
    EXPECT_FALSE(decode(nested(100'000)));

    // Billion laughs: entities stay references or the document is refused; never expanded.
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<lolz>&lol9;</lolz>";
    EXPECT_FALSE(decode(laughs));

    // An external entity naming a local file is never read: the reference stays a reference.
    const std::string secret = ::testing::TempDir() + "orvel-xml-secret.txt";
    std::ofstream(secret) << "TOP-SECRET";
    const auto external = decode("<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secret + "\">]><r>&x;</r>");
    ASSERT_TRUE(external);
    EXPECT_TRUE(external->output.ends_with("]>\n<r>&x;</r>"));
    EXPECT_EQ(external->output.find("TOP-SECRET"), std::string::npos);
    const auto externalDTD = decode("<!DOCTYPE r SYSTEM \"file://" + secret + "\"><r/>");
    ASSERT_TRUE(externalDTD);
    EXPECT_EQ(externalDTD->output.find("TOP-SECRET"), std::string::npos);
}

TEST(XMLDetector, WorkThatWouldOutgrowTheTextIsRefusedBeforeParsing) {
    EXPECT_TRUE(decode(attributed(Limits::maxXMLAttributes)));
    EXPECT_FALSE(decode(attributed(Limits::maxXMLAttributes + 1)));
    EXPECT_FALSE(decode(attributed(40'000)));
    EXPECT_FALSE(decode("<r>" + attributed(40'000, "<e", "a", '\'') + "</r>"));

    // Namespace declarations count while their element is open, with those of the elements in it.
    const auto namespaces = [](std::size_t count) {
        std::string outer = attributed(count / 2, "<r", "xmlns:p");
        outer.replace(outer.size() - 2, 2, ">");
        return "<d>" + outer + attributed(count - count / 2, "<e", "xmlns:q") + "</r>" + outer + "</r></d>";
    };
    EXPECT_TRUE(decode(namespaces(Limits::maxXMLNamespaces)));
    EXPECT_FALSE(decode(namespaces(Limits::maxXMLNamespaces + 1)));

    EXPECT_TRUE(decode("<r>" + repeat("<a/>", Limits::maxXMLNodes - 1) + "</r>"));
    EXPECT_FALSE(decode("<r>" + repeat("<a/>", Limits::maxXMLNodes) + "</r>"));

    // A document type declaration may not make libxml2 work where the pre-scan does not look:
    // defaults join every start tag of their element, parameter entities are read in as more
    // declarations, and an entity's markup is parsed where the entity is used.
    const struct {
        std::string_view subset;
        bool accepted;
    } subsets[] = {
        {R"(<!ENTITY nbsp "&#160;"><!-- c --><?pi x?><!ELEMENT r ANY><!ATTLIST r id ID #IMPLIED>)", true},
        {R"(<!ATTLIST r a CDATA "v">)", false},
        {R"(<!ATTLIST r a CDATA #FIXED 'v'>)", false},
        {R"(<!ENTITY % p ""> %p;)", false},
        {R"(<!ENTITY e "<b a='1'/>">)", false},
        {R"(<!ENTITY e "&#60;b/>">)", false},
        {R"(<!ENTITY e "&#x26;f;">)", false},
        {R"(<!ENTITY f "x"><!ENTITY e "&f;&f;">)", false},
    };
    for (const auto& [subset, accepted] : subsets) {
        EXPECT_EQ(decode("<!DOCTYPE r [" + std::string(subset) + "]><r/>").has_value(), accepted) << subset;
    }
}

TEST(XMLDetector, MarkupShapeCountsWhatEachReaderReads) {
    const std::string document = R"(<?xml version="1.0"?><!DOCTYPE r><r xmlns="u" a='>'><!--<x b="">-->)"
                                 R"(<![CDATA[<x b="">]]><e b="2" xmlns:p="v"></e></r>)";
    const auto xml = MarkupShape::of(document, MarkupReader::libxml2, 2);
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->elements, 2u);
    EXPECT_EQ(xml->nodes, 9u); // two elements, four attributes, an instruction, a comment, CDATA
    EXPECT_EQ(xml->attributesPerTag, 2u);
    EXPECT_EQ(xml->namespacesInScope, 2u);
    EXPECT_FALSE(MarkupShape::of(document, MarkupReader::libxml2, 1)); // <e> is open inside <r>

    // libplist quotes with double quotes alone: the '>' in 'a' ends the tag, and "'>" is text.
    const auto plist = MarkupShape::of(document, MarkupReader::libplist, 2);
    ASSERT_TRUE(plist);
    EXPECT_EQ(plist->elements, 2u);
    EXPECT_EQ(plist->attributesPerTag, 2u); // <e>'s
    // Both readers stop where the markup stops making sense, having counted what came before.
    EXPECT_EQ(MarkupShape::of("<r>" + attributed(3, "<e") + "<e a=\"\" b=\"", MarkupReader::libxml2, 4)->elements, 3u);
    EXPECT_EQ(MarkupShape::of("<r></r></r><e/>", MarkupReader::libxml2, 4)->elements, 1u);
}

} // namespace
} // namespace orvel
