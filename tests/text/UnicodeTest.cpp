// UTF-8 validity and repair, user-perceived characters and canonical equivalence, against ICU.
#include "orvel/Unicode.h"

#include <gtest/gtest.h>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using orvel::Unicode::canonicalHash;
using orvel::Unicode::canonicallyEqual;
using orvel::Unicode::graphemeCount;
using orvel::Unicode::graphemePrefix;
using orvel::Unicode::isGraphemeBoundary;
using orvel::Unicode::isValidUTF8;
using orvel::Unicode::nfc;
using orvel::Unicode::toValidUTF8;
using orvel::Unicode::truncated;

const std::string fffd = "\xEF\xBF\xBD";

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

/// Boundaries (byte offsets, 0 first) from a plain ICU iterator over the whole text: the
/// reference the fast path has to agree with.
std::vector<std::size_t> icuBoundaries(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText ut = UTEXT_INITIALIZER;
    utext_openUTF8(&ut, text.data(), static_cast<std::int64_t>(text.size()), &status);
    it->setText(&ut, status);
    EXPECT_TRUE(U_SUCCESS(status));
    std::vector<std::size_t> out;
    for (std::int32_t b = it->first(); b != icu::BreakIterator::DONE; b = it->next()) {
        out.push_back(static_cast<std::size_t>(b));
    }
    utext_close(&ut);
    return out;
}

/// ICU's own conversion with U+FFFD substitution, the reference for the repair.
std::string icuRepaired(const std::string& bytes, bool* hadErrors) {
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> utf16(bytes.size() + 1);
    std::int32_t length = 0;
    std::int32_t substitutions = 0;
    u_strFromUTF8WithSub(utf16.data(), static_cast<std::int32_t>(utf16.size()), &length, bytes.data(),
                         static_cast<std::int32_t>(bytes.size()), 0xFFFD, &substitutions, &status);
    std::string out(static_cast<std::size_t>(length) * 3 + 1, '\0');
    std::int32_t outLength = 0;
    u_strToUTF8(out.data(), static_cast<std::int32_t>(out.size()), &outLength, utf16.data(), length, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(static_cast<std::size_t>(outLength));
    *hadErrors = substitutions > 0;
    return out;
}

TEST(UnicodeTest, ValidityAcceptsEveryWellFormedBoundaryAndRepairsMaximalSubparts) {
    // Both ends of each lead byte's range.
    for (const char* valid : {"", "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                              "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "caf\xC3\xA9 \xF0\x9F\x98\x80"}) {
        EXPECT_TRUE(isValidUTF8(valid)) << valid;
        EXPECT_EQ(toValidUTF8(valid), valid);
    }
    EXPECT_TRUE(isValidUTF8(std::string("a\0b", 3)));
    // Truncated forms take one U+FFFD; overlongs, surrogates and values above U+10FFFF one per byte.
    const std::pair<std::string, std::string> repaired[] = {
        {"\x80", fffd}, {"\xBF", fffd}, {"\xC1\xBF", repeat(fffd, 2)}, {"\xC2", fffd}, {"\xE2\x82", fffd},
        {"\xE2\x82x", fffd + "x"}, {"\xE0\x9F\xBF", repeat(fffd, 3)}, {"\xF0\x9F\x98", fffd},
        {"\xC0\xAF", repeat(fffd, 2)}, {"\xE0\x80\xAF", repeat(fffd, 3)}, {"\xED\xA0\x80", repeat(fffd, 3)},
        {"\xED\xBF\xBF", repeat(fffd, 3)}, {"\xF0\x8F\xBF\xBF", repeat(fffd, 4)}, {"\xF4\x90\x80\x80", repeat(fffd, 4)},
        {"\xF5\x80\x80\x80", repeat(fffd, 4)}, {"\xF8\x88\x80\x80\x80", repeat(fffd, 5)}, {"\xFF", fffd},
        {"\xC3\xA9\xC3", "\xC3\xA9" + fffd}, {"\xC3\xC3\xA9", fffd + "\xC3\xA9"}, {"abc\xC3(", "abc" + fffd + "("},
        {"\xE2\x28\xA1", fffd + "(" + fffd}, {"a\xFF-\x80-", "a" + fffd + "-" + fffd + "-"},
        {std::string("\0\xFF", 2), std::string("\0", 1) + fffd}};
    for (const auto& [bytes, text] : repaired) {
        EXPECT_FALSE(isValidUTF8(bytes)) << ::testing::PrintToString(bytes);
        EXPECT_EQ(toValidUTF8(bytes), text) << ::testing::PrintToString(bytes);
    }
}

TEST(UnicodeTest, ValidityHoldsAtEveryOffsetOfTheEightByteSkip) {
    // The ASCII skip reads words; a multi-byte sequence or a bad byte may sit anywhere in one,
    // or straddle two.
    for (std::size_t at = 0; at < 24; ++at) {
        std::string text(24, 'a');
        text.replace(at, 1, "\xC3\xA9");
        EXPECT_TRUE(isValidUTF8(text)) << at;
        text = std::string(24, 'a');
        text[at] = '\x80';
        EXPECT_FALSE(isValidUTF8(text)) << at;
        EXPECT_EQ(toValidUTF8(text), std::string(at, 'a') + fffd + std::string(23 - at, 'a'));
        text = std::string(24, 'a') + "\xF0\x9F\x98\x80";
        text.resize(24 + at % 4);
        EXPECT_EQ(isValidUTF8(text), at % 4 == 0) << at;
    }
}

TEST(UnicodeTest, ValidityAndRepairAgreeWithICUOnRandomBytes) {
    // Bytes at the edges of every lead and trail range, so overlongs, surrogates and
    // truncations come up constantly.
    const unsigned char alphabet[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                      0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    std::mt19937 random(20250131);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<std::size_t> length(0, 14);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (std::size_t k = length(random); k > 0; --k) bytes.push_back(static_cast<char>(alphabet[pick(random)]));
        bool hadErrors = false;
        const std::string expected = icuRepaired(bytes, &hadErrors);
        ASSERT_EQ(isValidUTF8(bytes), !hadErrors) << ::testing::PrintToString(bytes);
        ASSERT_EQ(toValidUTF8(bytes), expected) << ::testing::PrintToString(bytes);
    }
}

TEST(UnicodeTest, GraphemeCountsAtTheSeamsBetweenASCIIAndTheRest) {
    const std::string f = "\xF0\x9F\x87\xAB"; // regional indicators F and R
    const std::string r = "\xF0\x9F\x87\xB7";
    const std::string numberSign = "\xD8\x80";  // ARABIC NUMBER SIGN, a prepended mark
    const std::pair<std::string, std::size_t> counts[] = {
        {"", 0}, {"abc", 3}, {"\r\n", 1}, {"a\r\nb\n\r", 5}, {"e\xCC\x81", 1}, {f + r, 1},
        // Family: man ZWJ woman ZWJ girl ZWJ boy; 한국어; 한 as jamo L V T; LV syllable + T.
        {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6", 1},
        {"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", 3}, {"\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB", 1},
        {"\xEA\xB0\x80\xE1\x86\xA8", 1},
        // A mark or ZWJ joins the ASCII character before it, but never a line break, and a CR LF
        // stays whole in front of one; a prepended mark joins the character after it.
        {"xe\xCC\x81y", 3}, {"a\xE2\x80\x8D", 1}, {"\r\xCC\x81", 2}, {"ab\r\n\xCC\x81", 4}, {numberSign + "1", 1},
        {"1" + numberSign, 2}, {"\xC3\xA9-\xCC\x81\xC3\xA9", 3},
        // An ASCII character cuts emoji ZWJ sequences and regional-indicator pairing.
        {"a\xE2\x80\x8D\xF0\x9F\x91\xA8", 2}, {f + "a" + r + f, 3}, {f + r + f, 2}};
    for (const auto& [text, count] : counts) EXPECT_EQ(graphemeCount(text), count) << ::testing::PrintToString(text);
    // Random access agrees with counting from the start, however far back the pairing reaches.
    const std::string flags = repeat(f, 101);
    EXPECT_TRUE(isGraphemeBoundary(flags, 4 * 100));
    EXPECT_FALSE(isGraphemeBoundary(flags, 4 * 99));
    EXPECT_FALSE(isGraphemeBoundary(flags, 4 * 100 + 2)); // inside a code point
    EXPECT_TRUE(isGraphemeBoundary("x" + flags, 1 + 4 * 100));
    EXPECT_FALSE(isGraphemeBoundary("x" + flags, 1 + 4 * 99));
    EXPECT_FALSE(isGraphemeBoundary("abc", 4));
    EXPECT_EQ(graphemePrefix("xe\xCC\x81y", 2), "xe\xCC\x81");
    EXPECT_EQ(graphemePrefix("\r\n\r\n", 1), "\r\n");
    EXPECT_EQ(graphemePrefix("abc", 7), "abc");
}

TEST(UnicodeTest, TruncationKeepsLimitClusters) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string ellipsis = "\xE2\x80\xA6";
    EXPECT_EQ(truncated(repeat(emoji, 400), 400), repeat(emoji, 400));
    EXPECT_EQ(truncated(repeat(emoji, 401), 400), repeat(emoji, 400) + ellipsis);
    EXPECT_EQ(truncated(repeat("ab", 200), 400), repeat("ab", 200));
    EXPECT_EQ(truncated(repeat("ab", 200) + "c", 400), repeat("ab", 200) + ellipsis);
    // The cut never splits a cluster.
    EXPECT_EQ(truncated("ae\xCC\x81z", 2), "ae\xCC\x81" + ellipsis);
    EXPECT_EQ(truncated("a\r\nb", 2), "a\r\n" + ellipsis);
    EXPECT_EQ(truncated("abc", 0), ellipsis);
}

TEST(UnicodeTest, GraphemesMatchAPlainBreakIteratorOnGeneratedText) {
    const std::vector<std::string> pieces = {
        // ASCII, line breaks, letters from other scripts
        "a", "Z", "1", " ", "#", "\t", "\r", "\n", "\r\n", "\x7F", "\xC3\xA9", "\xE4\xB8\xAD", "\xD0\x96",
        // Extend (acute, diaeresis, VS16, skin tone), ZWJ, Control (ZWSP, NEL)
        "\xCC\x81", "\xCC\x88", "\xEF\xB8\x8F", "\xF0\x9F\x8F\xBB", "\xE2\x80\x8D", "\xE2\x80\x8B", "\xC2\x85",
        // Extended_Pictographic: man, woman, grinning face, heart, copyright
        "\xF0\x9F\x91\xA8", "\xF0\x9F\x91\xA9", "\xF0\x9F\x98\x80", "\xE2\x9D\xA4", "\xC2\xA9",
        // regional indicators F R A; black flag, tag g, cancel tag
        "\xF0\x9F\x87\xAB", "\xF0\x9F\x87\xB7", "\xF0\x9F\x87\xA6", "\xF0\x9F\x8F\xB4", "\xF3\xA0\x81\xA7",
        "\xF3\xA0\x81\xBF",
        // Hangul jamo L V T, syllables LV LVT
        "\xE1\x84\x80", "\xE1\x85\xA1", "\xE1\x86\xA8", "\xEA\xB0\x80", "\xEA\xB0\x81",
        // Devanagari KA SSA virama vowel-I, Bengali KA virama, Thai KO-KAI SARA-AM (SpacingMark)
        "\xE0\xA4\x95", "\xE0\xA4\xB7", "\xE0\xA5\x8D", "\xE0\xA4\xBF", "\xE0\xA6\x95", "\xE0\xA7\x8D", "\xE0\xB8\x81",
        "\xE0\xB8\xB3",
        // Prepend: Arabic number sign, Malayalam dot reph
        "\xD8\x80", "\xE0\xB5\x8E"};
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 30);
    std::bernoulli_distribution asciiRun(0.15);
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        for (std::size_t k = length(random); k > 0; --k) {
            // Long ASCII runs exercise the bulk count and the eight-byte skip between regions.
            text += asciiRun(random) ? std::string("plain ascii\r\nrun ") : pieces[pick(random)];
        }
        const std::vector<std::size_t> boundaries = icuBoundaries(text);
        const std::size_t clusters = boundaries.size() - 1;
        ASSERT_EQ(graphemeCount(text), clusters) << ::testing::PrintToString(text);
        for (std::size_t k = 0; k <= clusters + 1; ++k) {
            ASSERT_EQ(graphemePrefix(text, k).size(), boundaries[std::min(k, clusters)])
                << k << " of " << ::testing::PrintToString(text);
        }
        if (round % 4 != 0) continue; // random access is slower to check: every fourth text is plenty
        for (std::size_t offset = 0, next = 0; offset <= text.size() + 1; ++offset) {
            const bool expected = next < boundaries.size() && boundaries[next] == offset;
            next += expected ? 1 : 0;
            ASSERT_EQ(isGraphemeBoundary(text, offset), expected) << offset << " of " << ::testing::PrintToString(text);
        }
    }
}

TEST(UnicodeTest, GraphemesOfInvalidUTF8MatchTheIterator) {
    // Texts should be repaired first, but a stray byte must not throw the count off ICU's.
    for (const std::string text : {"a\xCC", "\xFF\xCC\x81", "a\x80\xCC\x81z", "\xE2\x80"}) {
        EXPECT_EQ(graphemeCount(text), icuBoundaries(text).size() - 1) << ::testing::PrintToString(text);
    }
}

TEST(UnicodeTest, CanonicalEquivalence) {
    const std::pair<std::string_view, std::string_view> equivalent[] = {
        {"", ""},
        {"caf\xC3\xA9", "cafe\xCC\x81"}, // precomposed vs decomposed
        {"cafe\xCC\x81", "caf\xC3\xA9"},
        {"\xE2\x84\xAB", "\xC3\x85"},                 // ANGSTROM SIGN vs Å
        {"q\xCC\x87\xCC\xA3", "q\xCC\xA3\xCC\x87"},   // mark reordering
        {"\xE1\x84\x80\xE1\x85\xA1", "\xEA\xB0\x80"}, // jamo vs 가
        {"e\xCC\x81\xFF", "\xC3\xA9\xEF\xBF\xBD"},    // broken UTF-8 is compared repaired
    };
    for (const auto& [a, b] : equivalent) {
        EXPECT_TRUE(canonicallyEqual(a, b)) << a;
        EXPECT_EQ(canonicalHash(a), canonicalHash(b)) << a;
    }
    EXPECT_FALSE(canonicallyEqual("cafe", "caf\xC3\xA9"));
    EXPECT_FALSE(canonicallyEqual("\xEF\xAC\x81", "fi")); // compatibility only, not canonical
    EXPECT_FALSE(canonicallyEqual("a", "A"));
    EXPECT_EQ(nfc("\xE2\x84\xAB"), "\xC3\x85");
    EXPECT_EQ(nfc("\xEF\xAC\x81"), "\xEF\xAC\x81");
    EXPECT_EQ(nfc("e\xCC\x81\xFF"), "\xC3\xA9" + fffd); // output is always valid UTF-8
}

} // namespace
