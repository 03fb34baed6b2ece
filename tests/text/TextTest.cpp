#include "orvel/Text.h"

#include <string>

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(Text, PrintableShareIsAtLeastNinetyPercentOfScalars) {
    EXPECT_FALSE(Text::looksLikePrintableText(""));
    EXPECT_TRUE(Text::looksLikePrintableText("abc"));
    EXPECT_TRUE(Text::looksLikePrintableText("abcdefghi\x01"));     // exactly 0.9
    EXPECT_FALSE(Text::looksLikePrintableText("abcdefgh\x01\x01"));  // 0.8
    EXPECT_TRUE(Text::looksLikePrintableText("\t\n\r"));
    EXPECT_FALSE(Text::looksLikePrintableText("\x7f"));
    EXPECT_FALSE(Text::looksLikePrintableText(std::string(1, '\0')));
    // Scalars, not bytes: one emoji and one control are 50 %, not 80 %.
    EXPECT_FALSE(Text::looksLikePrintableText("\U0001F600\x01"));
    EXPECT_TRUE(Text::looksLikePrintableText("\u00e9\U0001F600\u0085"));  // everything from U+0080 up counts
}

TEST(Text, TrimsUnicodeWhiteSpaceAndLineBreaksOnly) {
    EXPECT_EQ(Text::trimmed(" \t\n\r\v\f abc \u0085\u00a0\u2028\u2029\u3000\u2003"), "abc");
    EXPECT_EQ(Text::trimmed("  a b  "), "a b");
    EXPECT_EQ(Text::trimmed(" \n "), "");
    EXPECT_EQ(Text::trimmed(""), "");
    // Zero-width space and BOM are format characters, not white space.
    EXPECT_EQ(Text::trimmed("\u200bx\ufeff"), "\u200bx\ufeff");
    EXPECT_EQ(Text::trimmed(std::string("\0x\0", 3)), std::string("\0x\0", 3));
}

} // namespace
} // namespace orvel
