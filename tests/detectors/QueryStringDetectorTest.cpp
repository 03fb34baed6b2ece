#include "detectors/QueryStringDetector.h"

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "orvel/OAuthErrors.h"

namespace orvel {
namespace {

std::optional<DecodeResult> decode(std::string_view text) { return QueryStringDetector().decode(text); }

TEST(QueryStringDetector, ListsPairsByKeyWithDecodedValues) {
    const auto result = decode("  b=2&a=1\n");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, DetectionKind::queryString);
    EXPECT_EQ(result->output, "a = 1\nb = 2");
    EXPECT_EQ(result->confidence, 0.8);
    EXPECT_TRUE(result->terminal);
    EXPECT_EQ(result->summary, "Query string (2 pairs)");
    EXPECT_EQ(result->details, (Details{{"pairs", "2"}, {"a", "1"}, {"b", "2"}}));

    EXPECT_EQ(decode("redirect=%2Fhome%3Fx%3D1&state=abc")->output, "redirect = /home?x=1\nstate = abc");
    EXPECT_EQ(decode("q=hello+world&sp=a%20b")->output, "q = hello+world\nsp = a b");
    EXPECT_EQ(decode("v=%zz&w=1&x=%E2%82&y=%e2%82%ac")->output, "v = %zz\nw = 1\nx = %E2%82\ny = \u20AC");
    EXPECT_EQ(decode("a=&b=2")->output, "a = \nb = 2");
    EXPECT_EQ(decode("a=b=c&d=1")->details.at("a"), "b=c");
    EXPECT_EQ(decode("items[0].id=1&x-y_z=2&t=a\tb")->details.at("t"), "a\tb");

    // Equal keys keep their input order in the output; the details keep the last value.
    const auto repeated = decode("a=1&b=0&a=2");
    EXPECT_EQ(repeated->output, "a = 1\na = 2\nb = 0");
    EXPECT_EQ(repeated->details.at("a"), "2");
    EXPECT_EQ(repeated->details.at("pairs"), "3");
    EXPECT_EQ(decode("pairs=x&y=1")->details.at("pairs"), "x");
}

TEST(QueryStringDetector, DeclinesAnythingElse) {
    for (const char* text : {"a=1", "a=1&", "a=1&&b=2", "a=1&flag", "=1&b=2", "a%20b=1&c=2", "\u00E9=1&b=2", "?a=1&b=2",
                             "a=1 &b=2", "a=1&b=hello world", "a=1\n&b=2", "", "&"}) {
        EXPECT_FALSE(decode(text)) << text;
    }
    // A key may not end in a line terminator, not even the last thing before "=".
    for (const std::string terminator : {"\n", "\v", "\f", "\r", "\r\n", "\u0085", "\u2028", "\u2029"}) {
        EXPECT_FALSE(decode("role" + terminator + "=admin&x=1")) << ::testing::PrintToString(terminator);
        EXPECT_FALSE(decode("x=1&role" + terminator + "=admin")) << ::testing::PrintToString(terminator);
    }
}

TEST(QueryStringDetector, PairLimitOnBothSides) {
    std::string query = "k0=v";
    for (std::size_t i = 1; i < Limits::maxQueryStringPairs; ++i) query += "&k" + std::to_string(i) + "=v";
    const auto atLimit = decode(query);
    ASSERT_TRUE(atLimit);
    EXPECT_EQ(atLimit->details.at("pairs"), std::to_string(Limits::maxQueryStringPairs));
    EXPECT_FALSE(decode(query + "&k=v"));
}

TEST(QueryStringDetector, OAuthErrorRedirectIsExplained) {
    const auto info = OAuthErrors::lookup("invalid_grant");
    ASSERT_TRUE(info);
    const auto result = decode("error=invalid_grant&error_description=Bad&state=xyz");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->summary, "OAuth error: invalid_grant — " + info->meaning);
    EXPECT_EQ(result->output, "error = invalid_grant\nerror_description = Bad\nstate = xyz\n\n→ " + info->meaning +
                                  "\nlikely cause: " + info->likelyCause + "\nnext step: " + info->nextStep);
    EXPECT_EQ(result->details, (Details{{"pairs", "3"},
                                        {"error", "invalid_grant"},
                                        {"error_description", "Bad"},
                                        {"state", "xyz"},
                                        {"error_meaning", info->meaning},
                                        {"likely_cause", info->likelyCause},
                                        {"next_step", info->nextStep}}));
    EXPECT_EQ(result->confidence, 0.8);

    // The first error pair decides, after decoding; the catalogue's keys win over query keys.
    const auto decoded = decode("next_step=mine&error=invalid%5Fgrant&error=access_denied");
    EXPECT_EQ(decoded->summary, "OAuth error: invalid_grant — " + info->meaning);
    EXPECT_EQ(decoded->details.at("next_step"), info->nextStep);
    EXPECT_EQ(decoded->details.at("error"), "access_denied");

    const auto unknown = decode("error=some_unknown_code&state=x");
    EXPECT_EQ(unknown->summary, "Query string (2 pairs)");
    EXPECT_EQ(unknown->output, "error = some_unknown_code\nstate = x");
    EXPECT_FALSE(unknown->details.contains("error_meaning"));
    EXPECT_EQ(decode("Error=invalid_grant&x=1")->summary, "Query string (2 pairs)");
}

} // namespace
} // namespace orvel
