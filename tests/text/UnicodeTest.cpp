// UTF-8 validity and repair, user-perceived characters and canonical equivalence, against ICU.
#include "orvel/Unicode.h"

#include <gtest/gtest.h>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace orvel::Unicode;

const std::string fffd = "\xEF\xBF\xBD";

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

/// ICU's own conversion, which puts one U+FFFD for each maximal subpart of ill-formed input: the
/// reference for the repair.
std::string icuRepaired(const std::string& bytes) {
    std::string out;
    return icu::UnicodeString::fromUTF8(bytes).toUTF8String(out);
}

TEST(UnicodeTest, ValidityAndRepairAgreeWithICUOnRandomBytes) {
    // Bytes at the edges of every lead and trail range, so overlongs, surrogates and truncations
    // come up constantly; and ASCII runs of every length, so that a sequence or a bad byte sits at
    // every offset of the eight-byte skip's words, or straddles two. The ASCII test against a
    // plain walk on the same bytes.
    const unsigned char alphabet[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                      0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    std::mt19937 random(20250131);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<std::size_t> length(0, 14);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (std::size_t k = length(random); k > 0; --k) {
            const char byte = static_cast<char>(alphabet[pick(random)]);
            bytes += random() % 8 == 0 ? std::string(random() % 17, 'a') : std::string(1, byte);
        }
        // No byte of the alphabet ends a U+FFFD of its own, so one in the repair marks an error.
        const std::string expected = icuRepaired(bytes);
        ASSERT_EQ(isValidUTF8(bytes), expected.find(fffd) == std::string::npos) << ::testing::PrintToString(bytes);
        ASSERT_EQ(toValidUTF8(bytes), expected) << ::testing::PrintToString(bytes);
        ASSERT_EQ(isASCII(bytes),
                  std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            << ::testing::PrintToString(bytes);
    }
}

TEST(UnicodeTest, GraphemesMatchAPlainBreakIteratorOnGeneratedText) {
    // ASCII, line breaks, letters from other scripts; Extend (acute, diaeresis, VS16, skin tone),
    // ZWJ, Control (ZWSP, NEL); Extended_Pictographic (man, woman, grinning face, heart,
    // copyright); regional indicators F R A; black flag, tag g, cancel tag; Hangul jamo L V T and
    // syllables LV LVT; Devanagari KA SSA virama vowel-I, Bengali KA virama, Thai KO-KAI SARA-AM
    // (SpacingMark); Prepend (Arabic number sign, Malayalam dot reph).
    std::vector<std::string> pieces = {"\r\n"};
    // clang-format off
    for (const char32_t c : {U'a', U'Z', U'1', U' ', U'#', U'\t', U'\r', U'\n', U'\x7F', U'\u00E9', U'\u4E2D',
                             U'\u0416', U'\u0301', U'\u0308', U'\uFE0F', U'\U0001F3FB', U'\u200D', U'\u200B', U'\u0085',
                             U'\U0001F468', U'\U0001F469', U'\U0001F600', U'\u2764', U'\u00A9', U'\U0001F1EB',
                             U'\U0001F1F7', U'\U0001F1E6', U'\U0001F3F4', U'\U000E0067', U'\U000E007F', U'\u1100',
                             U'\u1161', U'\u11A8', U'\uAC00', U'\uAC01', U'\u0915', U'\u0937', U'\u094D', U'\u093F',
                             U'\u0995', U'\u09CD', U'\u0E01', U'\u0E33', U'\u0600', U'\u0D4E'}) {
        // clang-format on
        pieces.push_back(utf8(c));
    }
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
    // Random access agrees with counting from the start however far back the flag pairing reaches.
    std::string flags = "x";
    for (int i = 0; i < 101; ++i) flags += "\xF0\x9F\x87\xAB";
    EXPECT_TRUE(isGraphemeBoundary(flags, 1 + 4 * 100));
    EXPECT_FALSE(isGraphemeBoundary(flags, 1 + 4 * 99));
    // Texts should be repaired first, but a stray byte must not throw the count off ICU's.
    for (const std::string text : {"a\xCC", "\xFF\xCC\x81", "a\x80\xCC\x81z", "\xE2\x80"}) {
        EXPECT_EQ(graphemeCount(text), icuBoundaries(text).size() - 1) << ::testing::PrintToString(text);
    }
}

TEST(UnicodeTest, CanonicalEquivalence) {
    // Precomposed and decomposed, ANGSTROM SIGN and Å, marks reordered, broken UTF-8 repaired.
    const std::pair<std::string_view, std::string_view> equivalent[] = {{"caf\xC3\xA9", "cafe\xCC\x81"},
                                                                        {"\xE2\x84\xAB", "\xC3\x85"},
                                                                        {"q\xCC\x87\xCC\xA3", "q\xCC\xA3\xCC\x87"},
                                                                        {"e\xCC\x81\xFF", "\xC3\xA9\xEF\xBF\xBD"}};
    for (const auto& [a, b] : equivalent) {
        EXPECT_TRUE(canonicallyEqual(a, b) && canonicallyEqual(b, a)) << a;
        EXPECT_EQ(canonicalHash(a), canonicalHash(b)) << a;
        EXPECT_EQ(nfc(a), nfc(b)) << a;
    }
    EXPECT_FALSE(canonicallyEqual("cafe", "caf\xC3\xA9"));
    EXPECT_FALSE(canonicallyEqual("\xEF\xAC\x81", "fi")); // compatibility only, not canonical
    EXPECT_FALSE(canonicallyEqual("a", "A"));
    EXPECT_EQ(nfc("\xE2\x84\xAB"), "\xC3\x85");
    EXPECT_EQ(nfc("\xEF\xAC\x81"), "\xEF\xAC\x81");
}

} // namespace
