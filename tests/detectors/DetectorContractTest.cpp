// What every registered detector promises the engine, checked on one realistic sample each.
#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include "LogGenerator.h"
#include "detectors/HexDetector.h"
#include "engine/ShapeTable.h"
#include "orvel/Orvel.h"
#include "orvel/Unicode.h"
#include "support/Base64Encode.h"
#include "support/CandidateList.h"
#include "support/TestData.h"
#include "text/Text.h"

namespace orvel {
namespace {

using testing::readTestData;

/// One realistic sample per kind, with the confidence that decides the reading of an ambiguous text
/// and the terminality that decides where a chain ends.
using Sample = std::tuple<std::string, double, bool>;
const Sample& sampleOf(DetectionKind kind) {
    using enum DetectionKind;
    static const std::map<DetectionKind, Sample> samples{
        {jwt, {std::string(Text::trimmed(readTestData("security/jwt-hs256.txt"))), 0.97, false}},
        {pem, {readTestData("security/rsa-public.key.pem"), 0.95, true}},
        {hash, {"$2b$12$R9h/cIPz0gi.URNNX3kh2OPST9/PgBkqquzi.Ss7KIUgO2t0jWMUW", 0.93, true}},
        {plist, {readTestData("plist/sample.plist"), 0.95, true}},
        {xml, {"<list><item>a</item><item/><!-- c -->text</list>", 0.9, true}},
        {url, {"name=J%C3%BCrgen%20M%C3%BCller&q=a+b%2Fc", 0.9, false}},
        {gzip, {readTestData("gzip-json.b64"), 0.92, false}},
        {zlib, {readTestData("zlib-64-bytes.b64"), 0.88, false}},
        {json, {R"({"z":{"y":1,"x":"a/b"},"a":[]})", 0.95, true}},
        {yaml, {"name: api\nport: 8080\ntags:\n  - a\n", 0.6, true}},
        {uuid, {"6ba7b810-9dad-11d1-80b4-00c04fd430c8", 0.96, true}},
        {unixTimestamp, {"1700000000123", 0.75, true}},
        {queryString, {"redirect=%2Fhome&state=abc", 0.8, true}},
        {htmlEntities, {"&lt;b&gt; &amp; &#x1F600;", 0.85, false}},
        {unicodeEscape, {R"(caf\u00e9 \x41)", 0.8, false}},
        {base64, {testing::base64Encode("Grüße aus Köln 🎉"), 0.7, false}},
        {base32, {readTestData("base32-text.txt"), 0.55, false}},
        {base58, {"StV1DL6CwTryKyV", 0.5, false}},
        {hex, {"68656c6c6f20776f726c64", 0.6, false}},
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
    const auto& [sample, confidence, terminal] = sampleOf(detector.kind());
    const auto result = detector.decode(sample);
    ASSERT_TRUE(result);
    EXPECT_EQ(std::tuple(result->kind, result->confidence, result->terminal),
              std::tuple(detector.kind(), confidence, terminal));
    expectWellFormed(detector, sample, *result);
    for (const char* blank : {"", " ", "\t\t", "\r\n", " \t\n \n"}) {
        EXPECT_FALSE(detector.decode(blank)) << ::testing::PrintToString(blank);
    }
}

TEST_P(DetectorContract, EveryPrefixOfEverySampleIsAnsweredSafely) {
    const Detector& detector = *GetParam();
    for (const DetectionKind kind : allDetectionKinds()) {
        if (kind == DetectionKind::base64url) continue; // the base64 detector's second kind
        const std::string& sample = std::get<std::string>(sampleOf(kind));
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

// Texts that many detectors accept or nearly do: every fixture and every text its chain passes
// through, the candidates of a generated log, the samples with every byte in turn put first and
// last, random texts over the bytes the shapes name, and all of these wrapped in white space.
const std::vector<std::string>& shapeProbes() {
    static const std::vector<std::string> probes = [] {
        std::vector<std::string> texts;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(ORVEL_TEST_DATA)) {
            if (!entry.is_regular_file() || entry.file_size() > (64 << 10)) continue;
            const DecodeChain chain = inspect(readTestData(entry.path().lexically_relative(ORVEL_TEST_DATA).string()));
            texts.push_back(chain.input);
            for (const DecodeResult& step : chain.steps) texts.push_back(step.output);
        }
        const std::string log = bench::LogGenerator(7).generate(64 << 10);
        for (const TextRange& range : testing::candidatesOf(log))
            texts.push_back(log.substr(range.begin, range.end - range.begin));
        const std::string bytes = "09afAFgzGZxX+/=_-.%&;:\\$<>{}[]\" \t\n\r\u00e9";
        for (const DetectionKind kind : allDetectionKinds()) {
            if (kind == DetectionKind::base64url) continue;
            const std::string& sample = std::get<std::string>(sampleOf(kind));
            texts.push_back(sample);
            for (const char c : bytes) {
                if ((c & 0xC0) == 0x80) continue;
                texts.push_back(std::string(1, c) + sample.substr(1));
                texts.push_back(sample + c);
            }
        }
        std::mt19937 random(20261206);
        for (int i = 0; i < 4000; ++i) {
            std::string text(random() % 40, ' ');
            for (char& c : text) c = bytes[random() % (bytes.size() - 2)];
            texts.push_back(std::move(text));
        }
        for (std::size_t i = 0, count = texts.size(); i < count; ++i) {
            texts.push_back(" " + texts[i] + "\n");
            texts.push_back("\u3000" + texts[i] + "\u00a0");
        }
        std::erase_if(texts, [](const std::string& text) { return !Unicode::isValidUTF8(text); });
        return texts;
    }();
    return probes;
}

// The engine does not ask a detector about a text of none of its shapes: it must decline them all.
TEST_P(DetectorContract, DeclinesEveryTextOfNoneOfItsShapes) {
    const ShapeTable table({GetParam()});
    std::size_t ruledOut = 0;
    for (const std::string& text : shapeProbes()) {
        if (table.admits(0, table.profileOf(Text::trimmed(text)))) continue;
        ++ruledOut;
        EXPECT_FALSE(GetParam()->decode(text)) << text;
    }
    EXPECT_GT(ruledOut, 0U);
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
