// Fuzzes the risk layer over whatever the engine makes of the input, and checks its rules: every
// secret is a stretch of the chain's own texts, risks come most severe first and say something,
// credentials and bundle lines lie inside the text.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "Require.h"
#include "orvel/CertificateBundle.h"
#include "orvel/Credentials.h"
#include "orvel/Orvel.h"
#include "orvel/Redaction.h"
#include "orvel/Risk.h"
#include "orvel/Unicode.h"

using orvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = orvel::Unicode::toValidUTF8({reinterpret_cast<const char*>(data), size});
    const orvel::DecodeChain chain = orvel::inspect(text);
    orvel::RiskContext context = orvel::currentRiskContext();
    context.lineTime = orvel::readLineTime(text, 2026);
    const orvel::Assessment assessment = orvel::assess(chain, context);

    for (const std::string& secret : assessment.secrets) {
        const bool inChain = chain.input.find(secret) != std::string::npos ||
                             std::any_of(chain.steps.begin(), chain.steps.end(), [&](const orvel::DecodeResult& step) {
                                 return step.output.find(secret) != std::string::npos;
                             });
        require(inChain);
    }
    require(std::is_sorted(assessment.risks.begin(), assessment.risks.end(),
                           [](const orvel::Risk& a, const orvel::Risk& b) { return a.severity > b.severity; }));
    for (const orvel::Risk& risk : assessment.risks)
        require(!risk.id.empty() && !risk.reason.empty() && !risk.reference.empty());

    std::size_t end = 0;
    for (const orvel::CredentialFinding& credential : orvel::findCredentials(text)) {
        require(credential.offset >= end && credential.length > 0 &&
                credential.offset + credential.length <= text.size());
        end = credential.offset + credential.length;
    }

    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const orvel::CertificateBundle bundle = orvel::readCertificateBundle(text, context);
    for (const orvel::BundleCertificate& certificate : bundle.certificates) require(certificate.line <= lines);
    (void)orvel::bundleRisks(bundle);
    (void)orvel::Redactor::forChain(chain, assessment.secrets).apply(chain);
    return 0;
}
