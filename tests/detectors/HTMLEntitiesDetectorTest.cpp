#include "detectors/HTMLEntitiesDetector.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return HTMLEntitiesDetector().decode(text); }

TEST(HTMLEntitiesDetector, ReplacesNamedAndNumericReferences) {
    const auto tags = decode("&lt;b&gt;");
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->kind, DetectionKind::htmlEntities);
    EXPECT_EQ(tags->output, "<b>");
    EXPECT_EQ(tags->confidence, 0.85);
    EXPECT_FALSE(tags->terminal);
    EXPECT_EQ(tags->summary, "HTML entities (2 decoded)");
    EXPECT_EQ(tags->details, (Details{{"count", "2"}}));

    EXPECT_EQ(decode("&#65;&#x42;&#X43;")->output, "ABC");
    EXPECT_EQ(decode("&quot;&apos;&nbsp;&copy;&reg;&hellip;&mdash;&ndash;&trade;")->output,
              "\"'\u00A0\u00A9\u00AE\u2026\u2014\u2013\u2122");
    EXPECT_EQ(decode("&#x1F600; &#128512;")->output, "\U0001F600 \U0001F600");
    EXPECT_EQ(decode("a&#0;b")->output, std::string("a\0b", 3));

    // One layer per step: the engine peels the next one.
    const auto once = decode("&amp;lt;");
    EXPECT_EQ(once->output, "&lt;");
    EXPECT_EQ(once->details.at("count"), "1");
    EXPECT_EQ(decode("Tom &amp; Jerry")->output, "Tom & Jerry");
}

TEST(HTMLEntitiesDetector, UnresolvableReferencesStayAsWritten) {
    EXPECT_EQ(decode("&unknown; &amp;")->output, "&unknown; &");
    EXPECT_EQ(decode("&AMP; &amp;")->output, "&AMP; &");
    // The "&" of "a & b" reaches for the first ";" and fails; the later reference still counts.
    const auto far = decode("a & b; &copy;");
    EXPECT_EQ(far->output, "a & b; \u00A9");
    EXPECT_EQ(far->details.at("count"), "1");
    // An "&" inside a failed name is examined in turn.
    EXPECT_EQ(decode("&x&amp;")->output, "&x&");

    // A ";", "&" or "#" joined to a following mark, variation selector or joiner (or an "&" to a
    // prepended sign before it) is another character.
    for (const std::string mark : {"\u0301", "\uFE0F", "\u200D"}) {
        const auto once = decode("&lt;" + mark + " &amp;");
        EXPECT_EQ(once->output, "&lt;" + mark + " &") << mark;
        EXPECT_EQ(once->details.at("count"), "1");
        EXPECT_EQ(decode("&" + mark + "lt; &amp;")->output, "&" + mark + "lt; &") << mark;
        EXPECT_EQ(decode("&#" + mark + "65; &#x" + mark + "41; &amp;")->output,
                  "&#" + mark + "65; &#x" + mark + "41; &");
        EXPECT_FALSE(decode("&lt;" + mark)) << mark;
    }
    EXPECT_EQ(decode("\u0600&lt; &amp;")->output, "\u0600&lt; &");

    EXPECT_EQ(decode("&#xD800; &#xDFFF; &#1114112; &#1114111;")->output, "&#xD800; &#xDFFF; &#1114112; \U0010FFFF");
    EXPECT_EQ(decode("&#4294967296; &#x100000000; &#4294967295; &lt;")->output,
              "&#4294967296; &#x100000000; &#4294967295; <");
    EXPECT_FALSE(decode("&#xD800;"));
    EXPECT_FALSE(decode("&#1114112;"));
    EXPECT_FALSE(decode("&#x; & ; &#;")); // nothing the gate accepts
    EXPECT_FALSE(decode("no references here"));
    EXPECT_FALSE(decode(""));
}

TEST(HTMLEntitiesDetector, LongRunsStayLinear) {
    std::string ampersands(1 << 20, '&');
    ampersands += "&amp;;";
    const auto result = decode(ampersands);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->output.size(), (std::size_t{1} << 20) + 2);

    std::string escaped;
    for (int i = 0; i < 200'000; ++i) escaped += "&amp;";
    EXPECT_EQ(decode(escaped)->output, std::string(200'000, '&'));
}

} // namespace
} // namespace orvel
