// Both sides of the caps of orvel/Limits.h that the detectors and the DER reader enforce, seen
// where a user meets them: a text at the cap is still read, one step past it is not. The input,
// scan and chain sizes, JSON depth, inflation and the scan time budget are checked beside the
// code that owns them.
#include <functional>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "security/DER.h"
#include "support/Base64Encode.h"
#include "support/BinaryPlist.h"

namespace orvel {
namespace {

using testing::arraysPlist;
using testing::base64Encode;

std::string repeat(std::string_view unit, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += unit;
    return text;
}

/// The base58 text of `bytes`, for building inputs.
std::string base58Encode(std::string_view bytes) {
    constexpr std::string_view alphabet = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
    std::vector<unsigned> digits; // least significant first
    for (const unsigned char byte : bytes) {
        unsigned carry = byte;
        for (auto& digit : digits) {
            carry += digit << 8;
            digit = carry % 58;
            carry /= 58;
        }
        for (; carry != 0; carry /= 58) digits.push_back(carry % 58);
    }
    std::string text(std::min(bytes.find_first_not_of('\0'), bytes.size()), '1');
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) text += alphabet[*digit];
    return text;
}

/// Readable text in base58 exactly `length` characters long: leading "1"s (zero bytes, under a
/// tenth of the text) pad the encoding.
std::string base58Text(std::size_t length) {
    static const std::string encoded = [] {
        std::string text;
        while (text.size() < Limits::maxBase58InputBytes)
            text += "Base58 is quadratic to decode, so long input is capped. ";
        text.resize(Limits::maxBase58InputBytes * 100 / 137); // about 1.366 characters per byte
        return base58Encode(text);
    }();
    return std::string(length - encoded.size(), '1') + encoded;
}

/// A YAML mapping nested `depth` levels deep, one space further in on each line.
std::string staircase(std::size_t depth) {
    std::string text;
    for (std::size_t level = 0; level + 1 < depth; ++level) text += std::string(level, ' ') + "k:\n";
    return text + std::string(depth - 1, ' ') + "k: v";
}

/// An element with `count` attributes named `name` and a number, their values in `quote`s.
std::string attributed(std::size_t count, std::string_view element = "<r", std::string_view name = "a",
                       char quote = '"') {
    std::string text(element);
    for (std::size_t i = 0; i < count; ++i)
        text += " " + std::string(name) + std::to_string(i) + "=" + quote + "v" + quote;
    return text + "/>";
}

/// A binary property list of `depth` arrays, each holding the next, in base64.
std::string binaryPlistChain(std::size_t depth) {
    std::vector<std::vector<std::uint32_t>> arrays(depth);
    for (std::uint32_t i = 0; i + 1 < depth; ++i) arrays[i] = {i + 1};
    return base64Encode(arraysPlist(arrays));
}

/// An XML property list of `depth` arrays, each holding the next, written with `opening` for
/// every array but the innermost.
std::string xmlPlistChain(std::size_t depth, std::string_view opening = "<array>") {
    return "<plist version=\"1.0\">" + repeat(opening, depth - 1) + "<array></array>" + repeat("</array>", depth - 1) +
           "</plist>";
}

struct Cap {
    const char* name;
    std::size_t cap;
    DetectionKind kind;
    std::function<std::string(std::size_t)> textOf; ///< a text with exactly n of what is capped
    std::size_t farBeyond = 0;                      ///< declined there too, without running the stack out
};

void PrintTo(const Cap& cap, std::ostream* out) { *out << cap.name; }

class Limit : public ::testing::TestWithParam<Cap> {};

TEST_P(Limit, ReadsAtTheCapAndDeclinesOnePast) {
    const Cap& cap = GetParam();
    EXPECT_EQ(inspect(cap.textOf(cap.cap)).kinds(), std::vector{cap.kind});
    EXPECT_FALSE(inspect(cap.textOf(cap.cap + 1)).isRecognized());
    if (cap.farBeyond != 0) {
        EXPECT_FALSE(inspect(cap.textOf(cap.farBeyond)).isRecognized());
    }
}

constexpr auto maxJSONDepth = static_cast<std::size_t>(Limits::maxJSONDepth);
constexpr auto maxXMLDepth = static_cast<std::size_t>(Limits::maxXMLDepth);
constexpr auto maxPlistDepth = static_cast<std::size_t>(Limits::maxPlistDepth);

const Cap caps[] = {
    {"YAMLDepth", maxJSONDepth, DetectionKind::yaml, staircase, 2000},
    {"Base58Input", Limits::maxBase58InputBytes, DetectionKind::base58, base58Text},
    {"QueryStringPairs", Limits::maxQueryStringPairs, DetectionKind::queryString,
     [](std::size_t pairs) {
         std::string query = "k0=v";
         for (std::size_t i = 1; i < pairs; ++i) query += "&k" + std::to_string(i) + "=v";
         return query;
     }},
    {"XMLDepth", maxXMLDepth, DetectionKind::xml, [](std::size_t n) { return repeat("<e>", n) + repeat("</e>", n); },
     100'000},
    {"XMLAttributes", Limits::maxXMLAttributes, DetectionKind::xml, [](std::size_t n) { return attributed(n); },
     40'000},
    // Declarations count while their element is open, with those of the elements inside it.
    {"XMLNamespaces", Limits::maxXMLNamespaces, DetectionKind::xml,
     [](std::size_t n) {
         std::string outer = attributed(n / 2, "<r", "xmlns:p");
         outer.replace(outer.size() - 2, 2, ">");
         return "<d>" + outer + attributed(n - n / 2, "<e", "xmlns:q") + "</r>" + outer + "</r></d>";
     }},
    // An element, an attribute, a comment, an instruction and a CDATA section are a node each.
    {"XMLNodes", Limits::maxXMLNodes, DetectionKind::xml,
     [](std::size_t n) { return R"(<r a="1"><!--c--><?p x?><![CDATA[x]]>)" + repeat("<a/>", n - 5) + "</r>"; }},
    {"BinaryPlistDepth", maxPlistDepth, DetectionKind::plist, binaryPlistChain, 100'000},
    {"XMLPlistDepth", maxPlistDepth, DetectionKind::plist, [](std::size_t n) { return xmlPlistChain(n); }, 100'000},
    {"XMLPlistNodes", Limits::maxPlistNodes, DetectionKind::plist,
     [](std::size_t n) { return "<plist><array>" + repeat("<true/>", n - 1) + "</array></plist>"; }},
    // One array of references to a single empty array.
    {"BinaryPlistNodes", Limits::maxPlistNodes, DetectionKind::plist,
     [](std::size_t n) {
         return base64Encode(arraysPlist({std::vector<std::uint32_t>(n - 1, 1), {}}));
     }},
};

INSTANTIATE_TEST_SUITE_P(Limits, Limit, ::testing::ValuesIn(caps),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Limits, WorkHiddenFromASimpleCountIsStillCounted) {
    // Attributes of an inner element, quoted with apostrophes: 40,000 of them took libxml2 19 s.
    EXPECT_FALSE(inspect("<r>" + attributed(40'000, "<e", "a", '\'') + "</r>").isRecognized());
    // Shared objects: level i refers twice to level i + 1, so 23 levels expand to 2^23 - 1 nodes.
    std::vector<std::vector<std::uint32_t>> doubling(23);
    for (std::uint32_t i = 0; i + 1 < doubling.size(); ++i) doubling[i] = {i + 1, i + 1};
    EXPECT_FALSE(inspect(base64Encode(arraysPlist(doubling))).isRecognized());
}

TEST(Limits, PlistDepthIsCountedAsLibplistReadsTheTags) {
    // Each opening reads as one array to libplist (which quotes with double quotes only and lets
    // one hide "?>" in an instruction) but not to a reader that skips the wrong stretch.
    const std::string_view openings[] = {
        R"(<array x="/>">)",                            // a quoted '>' after '/'
        "<array x='>",                                  // XML would quote up to the next level's "'"
        "<array><!-- </array> /> -->",                  // a closing tag in a comment
        "<array><string><![CDATA[</array>]]></string>", // and in CDATA
        R"(<array><?p "?></array><?p "?>)",             // libplist skips the quoted stretch, XML does not
    };
    for (const std::string_view opening : openings) {
        const DecodeChain accepted = inspect(xmlPlistChain(maxPlistDepth, opening));
        ASSERT_EQ(accepted.kinds(), std::vector{DetectionKind::plist}) << opening;
        EXPECT_EQ(accepted.steps[0].details.at("root"), "array") << opening;
        for (const std::size_t depth : {maxPlistDepth + 1, std::size_t{600}, std::size_t{30'000}}) {
            EXPECT_FALSE(inspect(xmlPlistChain(depth, opening)).isRecognized()) << opening << " " << depth;
        }
    }
    // libplist ends an internal subset at the first "]>", here inside a quoted entity value.
    EXPECT_FALSE(
        inspect("<!DOCTYPE plist [<!ENTITY e ']>" + xmlPlistChain(30'000) + "'>]>" + xmlPlistChain(2)).isRecognized());
}

TEST(Limits, DERChildListsStopAtTheCap) {
    for (const std::size_t count : {Limits::maxDERChildren, Limits::maxDERChildren + 1}) {
        ByteString bytes;
        for (std::size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), {0x05, 0x00});
        EXPECT_EQ(DER::children(bytes, DER::Range{0, bytes.size()}).size(), Limits::maxDERChildren);
    }
}

} // namespace
} // namespace orvel
