// What every registered detector promises the engine, checked on one realistic sample each.
#include <map>

#include <gtest/gtest.h>

#include "detectors/HexDetector.h"
#include "orvel/ChainEngine.h"
#include "orvel/Orvel.h"
#include "orvel/Unicode.h"
#include "support/Base64Encode.h"
#include "support/TestData.h"
#include "text/Text.h"

namespace orvel {
namespace {

using testing::readTestData;

// One realistic sample per kind. The golden corpus records every kind's confidence, which decides
// the reading of an ambiguous text, and its terminality, which decides where a chain ends.
const std::string& sampleOf(DetectionKind kind) {
    using enum DetectionKind;
    static const std::map<DetectionKind, std::string> samples{
        {jwt, std::string(Text::trimmed(readTestData("security/jwt-hs256.txt")))},
        {pem, readTestData("security/rsa-public.key.pem")},
        {hash, "$2b$12$R9h/cIPz0gi.URNNX3kh2OPST9/PgBkqquzi.Ss7KIUgO2t0jWMUW"},
        {plist, readTestData("plist/sample.plist")},
        {xml, "<list><item>a</item><item/><!-- c -->text</list>"},
        {url, "name=J%C3%BCrgen%20M%C3%BCller&q=a+b%2Fc"},
        {gzip, readTestData("gzip-json.b64")},
        {zlib, readTestData("zlib-64-bytes.b64")},
        {json, R"({"z":{"y":1,"x":"a/b"},"a":[]})"},
        {yaml, "name: api\nport: 8080\ntags:\n  - a\n"},
        {uuid, "6ba7b810-9dad-11d1-80b4-00c04fd430c8"},
        {unixTimestamp, "1700000000123"},
        {queryString, "redirect=%2Fhome&state=abc"},
        {htmlEntities, "&lt;b&gt; &amp; &#x1F600;"},
        {unicodeEscape, R"(caf\u00e9 \x41)"},
        {base64, testing::base64Encode("Grüße aus Köln 🎉")},
        {base32, readTestData("base32-text.txt")},
        {base58, "StV1DL6CwTryKyV"},
        {hex, "68656c6c6f20776f726c64"},
    };
    return samples.at(kind);
}

/// The engine's rules for one answer of `detector` to `text`: its own kind (the base64 detector
/// has two), a confidence in [0, 1], valid UTF-8 throughout, and progress unless it is terminal,
/// or the chain would go round.
void expectWellFormed(const Detector& detector, std::string_view text, const DecodeResult& result) {
    EXPECT_TRUE(result.kind == detector.kind() ||
                (detector.kind() == DetectionKind::base64 && result.kind == DetectionKind::base64url));
    EXPECT_TRUE(result.confidence >= 0 && result.confidence <= 1);
    std::string texts = result.output + "\n" + result.summary; // a separator, so no sequence spans two texts
    for (const auto& [key, value] : result.details) texts += "\n" + key + "\n" + value;
    EXPECT_TRUE(Unicode::isValidUTF8(texts));
    EXPECT_TRUE(result.terminal || result.output != text);
}

class DetectorContract : public ::testing::TestWithParam<std::shared_ptr<const Detector>> {};

TEST_P(DetectorContract, DecodesItsSampleAndDeclinesBlanks) {
    const Detector& detector = *GetParam();
    const auto result = detector.decode(sampleOf(detector.kind()));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, detector.kind());
    expectWellFormed(detector, sampleOf(detector.kind()), *result);
    for (const char* blank : {"", " ", "\t\t", "\r\n", " \t\n \n"}) {
        EXPECT_FALSE(detector.decode(blank)) << ::testing::PrintToString(blank);
    }
}

TEST_P(DetectorContract, EveryPrefixOfEverySampleIsAnsweredSafely) {
    const Detector& detector = *GetParam();
    for (const DetectionKind kind : allDetectionKinds()) {
        if (kind == DetectionKind::base64url) continue; // the base64 detector's second kind
        const std::string& sample = sampleOf(kind);
        // The engine repairs its input first, so a detector only ever sees whole code points.
        for (std::size_t length = 0; length <= sample.size(); ++length) {
            if (length < sample.size() && (sample[length] & 0xC0) == 0x80) continue;
            if (const auto result = detector.decode(sample.substr(0, length))) {
                SCOPED_TRACE(std::string(rawValue(kind)) + " sample cut at " + std::to_string(length));
                expectWellFormed(detector, sample.substr(0, length), *result);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Registry, DetectorContract, ::testing::ValuesIn(defaultDetectors()),
                         [](const auto& param) { return std::string(rawValue(param.param->kind())); });

TEST(Registry, TextsSeveralDetectorsReadGoWhereTheyBelong) {
    using enum DetectionKind;
    // The golden corpus holds base58 text and a digit run, which the generic alphabets leave alone.
    // "662e3a426521" is hex of "f.:Be!" and base64 of Hangul and Arabic letters: base64's 0.7 wins.
    ASSERT_TRUE(HexDetector().decode("662e3a426521"));
    const std::pair<std::string, std::vector<DetectionKind>> chains[] = {
        {"662e3a426521", {base64}},
        {"6162636465666768", {hex}},      // also padded base64, of bytes that are not UTF-8
        {"NBSWY3DPEB3W64TMMQ", {base32}}, // unpadded base32 is written in base58's alphabet too
        {"%31%37%30%30%30%30%30%30%30%30", {url, unixTimestamp}},
        {"6ba7b810%2D9dad%2D11d1%2D80b4%2D00c04fd430c8", {url, uuid}},
    };
    for (const auto& [text, kinds] : chains) EXPECT_EQ(inspect(text).kinds(), kinds) << text;
}

} // namespace
} // namespace orvel
