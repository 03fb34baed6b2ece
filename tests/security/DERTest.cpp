#include "orvel/DER.h"

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/DERBuilder.h"

namespace orvel {
namespace {

using DER::Element;
using DER::Node;
using DER::Range;

TEST(DER, ReadsShortAndLongLengths) {
    const ByteString bytes{0x30, 0x03, 0x02, 0x01, 0x05};
    EXPECT_EQ(DER::read(bytes, 0), (Element{Node{0x30, Range{2, 5}}, 5}));
    EXPECT_EQ(DER::read(bytes, 2), (Element{Node{0x02, Range{4, 5}}, 5}));

    // Non-minimal long forms are accepted; four length octets are the most.
    EXPECT_EQ(DER::read({0x04, 0x81, 0x02, 0xAA, 0xBB}, 0), (Element{Node{0x04, Range{3, 5}}, 5}));
    EXPECT_EQ(DER::read({0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 0xAA}, 0), (Element{Node{0x04, Range{6, 7}}, 7}));
    const ByteString longContent = testing::der(0x04, ByteString(300, 0x11));
    EXPECT_EQ(DER::read(longContent, 0), (Element{Node{0x04, Range{4, 304}}, 304}));
    EXPECT_EQ(DER::read({0x05, 0x00}, 0), (Element{Node{0x05, Range{2, 2}}, 2}));
}

TEST(DER, DeclinesWhatDoesNotFit) {
    EXPECT_FALSE(DER::read({}, 0));
    EXPECT_FALSE(DER::read({0x30}, 0));                          // ends right after the tag
    EXPECT_FALSE(DER::read({0x30, 0x00}, 2));                    // offset at the end
    EXPECT_FALSE(DER::read({0x30, 0x00}, SIZE_MAX));             // offset far past it
    EXPECT_FALSE(DER::read({0x30, 0x80, 0x00, 0x00}, 0));        // indefinite length
    EXPECT_FALSE(DER::read({0x30, 0x85, 0, 0, 0, 0, 1, 0}, 0));  // five length octets
    EXPECT_FALSE(DER::read({0x30, 0x82, 0x01}, 0));              // length octets cut off
    EXPECT_FALSE(DER::read({0x30, 0x03, 0x00, 0x00}, 0));        // content one short
    EXPECT_FALSE(DER::read({0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, 0));  // claims 4 GiB

    // Every proper prefix of a valid element declines; the whole reads.
    const ByteString whole = testing::der(0x04, ByteString(200, 0x22));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(DER::read(ByteString(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), 0)) << n;
    }
    EXPECT_TRUE(DER::read(whole, 0));
}

TEST(DER, ChildrenStopAtTheFirstDamage) {
    const ByteString bytes{0x02, 0x01, 0x07, 0x05, 0x00, 0x04, 0x01, 0xAA};
    EXPECT_EQ(DER::children(bytes, Range{0, 8}),
              (std::vector<Node>{{0x02, {2, 3}}, {0x05, {5, 5}}, {0x04, {7, 8}}}));
    EXPECT_TRUE(DER::children(bytes, Range{3, 3}).empty());
    EXPECT_TRUE(DER::children(bytes, Range{5, 3}).empty());
    EXPECT_TRUE(DER::children(bytes, Range{8, 20}).empty());

    // A truncated third element: what came before is kept.
    const ByteString cut(bytes.begin(), bytes.end() - 1);
    EXPECT_EQ(DER::children(cut, Range{0, 7}), (std::vector<Node>{{0x02, {2, 3}}, {0x05, {5, 5}}}));
    // The buffer ends right after a tag octet.
    EXPECT_EQ(DER::children({0x05, 0x00, 0x30}, Range{0, 3}), (std::vector<Node>{{0x05, {2, 2}}}));
    // A last child overrunning its parent's range is still listed; only the bytes bound it.
    EXPECT_EQ(DER::children(bytes, Range{0, 4}), (std::vector<Node>{{0x02, {2, 3}}, {0x05, {5, 5}}}));
}

TEST(DER, ChildListsAreCapped) {
    const auto listOf = [](std::size_t count) {
        ByteString bytes;
        for (std::size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), {0x05, 0x00});
        return bytes;
    };
    const ByteString atCap = listOf(Limits::maxDERChildren);
    EXPECT_EQ(DER::children(atCap, Range{0, atCap.size()}).size(), Limits::maxDERChildren);
    const ByteString overCap = listOf(Limits::maxDERChildren + 1);
    EXPECT_EQ(DER::children(overCap, Range{0, overCap.size()}).size(), Limits::maxDERChildren);
}

} // namespace
} // namespace orvel
