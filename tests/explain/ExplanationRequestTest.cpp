#include "orvel/ExplanationRequest.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "support/SampleChains.h"

namespace orvel {
namespace {

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

TEST(ExplanationRequest, InstructionsAreFixedSevenLines) {
    const ExplanationRequest jwt(testing::jwtChain());
    const ExplanationRequest nothing(DecodeChain{"hello", {}});
    EXPECT_EQ(jwt.instructions, nothing.instructions);
    EXPECT_EQ(std::count(jwt.instructions.begin(), jwt.instructions.end(), '\n'), 6);
    EXPECT_TRUE(jwt.instructions.starts_with("You are the explanation layer of Orvel, "));
    EXPECT_TRUE(jwt.instructions.ends_with("\n- If nothing was recognized, say so plainly and suggest what the user could try."));
    EXPECT_TRUE(jwt.isRecognized);
    EXPECT_FALSE(nothing.isRecognized);
    EXPECT_NE(jwt, nothing);
}

TEST(ExplanationRequest, UnrecognisedInputIsCutByUserPerceivedCharacters) {
    const std::string header = "The engine did not recognize this input as any known artifact.\nRaw input:\n";
    EXPECT_EQ(ExplanationRequest(DecodeChain{"", {}}).prompt, header);
    EXPECT_EQ(ExplanationRequest(DecodeChain{" a\nb ", {}}).prompt, header + " a\nb ");

    // Emoji (four bytes), combining sequences and flags (two scalars) are one character each.
    for (const std::string_view character : {"a", "\U0001F600", "e\u0301", "\U0001F1E9\U0001F1EA", "\r\n"}) {
        EXPECT_EQ(ExplanationRequest(DecodeChain{repeated(character, 400), {}}).prompt, header + repeated(character, 400));
        EXPECT_EQ(ExplanationRequest(DecodeChain{repeated(character, 401), {}}).prompt,
                  header + repeated(character, 400) + "…");
    }
}

TEST(ExplanationRequest, RecognisedPromptListsFactsAndNotesPerLayer) {
    DecodeChain chain = testing::jwtChain();
    chain.steps.front().details["kid"] = "line one\nline two";  // a fact may span lines
    chain.steps.front().details["Zone"] = "upper case sorts first";
    chain.steps.back().details.clear();
    EXPECT_EQ(ExplanationRequest(chain).prompt,
              "Decode shape: jwt → json\n"
              "\n"
              "Layer 1 — jwt: JWT (HS256), valid, expires in 2 hours\n"
              "  Facts:\n"
              "    - Zone: upper case sorts first\n"
              "    - alg: HS256\n"
              "    - exp: 2025-01-31T08:00:00Z\n"
              "    - expired: false\n"
              "    - iat: 2025-01-31T06:00:00Z\n"
              "    - kid: line one\nline two\n"
              "    - sub: 1234567890\n"
              "    - typ: JWT\n"
              "  Engine notes:\n"
              "    - HMAC with a shared secret (symmetric) — anyone holding the secret can forge tokens, so keep it "
              "server-side and long.\n"
              "    - Expiration — reject the token at/after this instant.\n"
              "    - in 2 hours\n"
              "    - Issued-at — when the token was created.\n"
              "    - Subject — the principal the token is about (often a user id).\n"
              "Layer 2 — json: JSON object\n"
              "\n"
              "Final decoded value:\n"
              "{\n  \"exp\" : 1738310400,\n  \"iat\" : 1738303200,\n  \"sub\" : \"1234567890\"\n}");
}

TEST(ExplanationRequest, LongFactsAndFinalValuesAreCutButNotesAreNot) {
    const std::string longNote = repeated("\u00E9", 700);
    const DecodeChain chain{"x",
                            {{DetectionKind::hex, repeated("\U0001F600", 601), 0.6, "S",
                              {{"a", repeated("b", 200)}, {"c", repeated("d", 201)}, {"security", longNote}}, false}}};
    EXPECT_EQ(ExplanationRequest(chain).prompt, "Decode shape: hex\n\nLayer 1 — hex: S\n  Facts:\n    - a: " + repeated("b", 200) +
                                                    "\n    - c: " + repeated("d", 200) + "…\n  Engine notes:\n    - " +
                                                    longNote + "\n\nFinal decoded value:\n" +
                                                    repeated("\U0001F600", 600) + "…");
    DecodeChain exact = chain;
    exact.steps.front().output = repeated("\U0001F600", 600);
    EXPECT_TRUE(ExplanationRequest(exact).prompt.ends_with("\n\nFinal decoded value:\n" + repeated("\U0001F600", 600)));
}

} // namespace
} // namespace orvel
