#include "orvel/TemplateExplainer.h"

#include <gtest/gtest.h>

#include "orvel/Orvel.h"
#include "support/Base64Encode.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

const std::string kNotRecognised =
    "Not recognized as a known artifact. It may be plain text, an unsupported format, or only a fragment — try "
    "pasting more context.";

TEST(TemplateExplainer, UnrecognisedAndPlainSteps) {
    const TemplateExplainer explainer;
    EXPECT_EQ(explainer.explainSync(DecodeChain{"", {}}), kNotRecognised);
    EXPECT_EQ(explainer.explainSync(DecodeChain{"$2b$12$whatever", {}}), kNotRecognised);

    const DecodeChain plain{"x", {{DetectionKind::uuid, "x", 0.96, "UUID v4.", {{"version", "4"}}, true}}};
    EXPECT_EQ(explainer.explainSync(plain), "This is UUID v4..");  // the summary is inserted unchanged
    EXPECT_EQ(explainer.explain(plain), explainer.explainSync(plain));
}

TEST(TemplateExplainer, BcryptHashGivesItsSecurityNoteAndAdvice) {
    const TemplateExplainer explainer;
    EXPECT_EQ(explainer.explainSync(testing::bcryptChain("12", {{"security", "bcrypt with cost 12 — adequate work factor."}})),
              "This is bcrypt password hash (cost 12). Security: bcrypt with cost 12 — adequate work factor.");
    EXPECT_EQ(explainer.explainSync(testing::bcryptChain(
                  "04", {{"security", "bcrypt is solid, but cost 4 is low for modern hardware."},
                         {"recommendation", "Raise the cost to ≥ 12 and re-hash on next login."},
                         {"alg_note", "not shown once security or advice is there"}})),
              "This is bcrypt password hash (cost 04). Security: bcrypt is solid, but cost 4 is low for modern hardware. "
              "Next: Raise the cost to ≥ 12 and re-hash on next login.");
    EXPECT_EQ(explainer.explainSync(testing::bcryptChain("10", {{"recommendation", "Only advice."}, {"meaning", "m"}})),
              "This is bcrypt password hash (cost 10). Next: Only advice.");
}

TEST(TemplateExplainer, JWTChainNamesTheShapeAndTheFirstNote) {
    // alg_note comes first in key order among the token's notes; the inner JSON step is not described.
    EXPECT_EQ(TemplateExplainer().explainSync(testing::jwtChain()),
              "This is a jwt → json chain: JWT (HS256), valid, expires in 2 hours. HMAC with a shared secret "
              "(symmetric) — anyone holding the secret can forge tokens, so keep it server-side and long.");
}

TEST(TemplateExplainer, Base64JSONChainFromTheEngine) {
    const DecodeChain chain = inspect(testing::base64Encode(R"({"user":"alice","retries":3})"));
    ASSERT_EQ(chain.kinds(), (std::vector<DetectionKind>{DetectionKind::base64, DetectionKind::json}));
    EXPECT_EQ(TemplateExplainer().explainSync(chain), "This is a base64 → json chain: " + chain.steps[0].summary + ".");
}

TEST(TemplateExplainer, EachNoteSlotKeepsTheFirstValueAcrossSteps) {
    const DecodeChain chain{"x",
                            {{DetectionKind::base64, "y", 0.7, "outer", {{"security", "outer risk"}, {"z_note", "outer other"}}, false},
                             {DetectionKind::hash, "z", 0.5, "inner",
                              {{"security", "inner risk"}, {"recommendation", "inner advice"}}, true}}};
    EXPECT_EQ(TemplateExplainer().explainSync(chain),
              "This is a base64 → hash chain: outer. Security: outer risk Next: inner advice");

    const DecodeChain othersOnly{"x",
                                 {{DetectionKind::url, "y", 0.9, "outer", {{"bytes", "12"}}, false},
                                  {DetectionKind::jwt, "z", 0.97, "inner", {{"jti_meaning", "second"}, {"checklist", "first"}}, false}}};
    EXPECT_EQ(TemplateExplainer().explainSync(othersOnly), "This is a url → jwt chain: outer. first");
}

} // namespace
} // namespace orvel
