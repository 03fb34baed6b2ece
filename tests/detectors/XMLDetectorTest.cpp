#include "detectors/XMLDetector.h"

#include <fstream>

#include <gtest/gtest.h>

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
    EXPECT_FALSE(decode(laughs)); // libxml2's entity-amplification check refuses it

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

} // namespace
} // namespace orvel
