// A program built on Orvel the way the desktop app is: it sees only the public headers and links
// only the public libraries, so it compiles only while every public header stands on its own.
#include "orvel/ArtifactExplainer.h"
#include "orvel/CertificateBundle.h"
#include "orvel/ChainEngine.h"
#include "orvel/Clock.h"
#include "orvel/Credentials.h"
#include "orvel/DecodeChain.h"
#include "orvel/DecodeResult.h"
#include "orvel/DetailCategorizer.h"
#include "orvel/DetectionKind.h"
#include "orvel/Detector.h"
#include "orvel/ExplainerSource.h"
#include "orvel/ExplanationRequest.h"
#include "orvel/ExplanationTask.h"
#include "orvel/FoundationModelExplainer.h"
#include "orvel/HistoryEntry.h"
#include "orvel/InspectionHistory.h"
#include "orvel/LanguageModel.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelExplain.h"
#include "orvel/OrvelJSON.h"
#include "orvel/Redaction.h"
#include "orvel/Risk.h"
#include "orvel/ScanFinding.h"
#include "orvel/Scanner.h"
#include "orvel/TemplateExplainer.h"
#include "orvel/Unicode.h"

int main() {
    using namespace orvel;
    const DecodeChain chain = inspect("aGVsbG8gd29ybGQ="); // "hello world" in base64
    const auto findings = scan("id=123e4567-e89b-12d3-a456-426614174000\n");
    InspectionHistory history({HistoryEntry("aGVsbG8gd29ybGQ=", chain, 1800000000)}, 50);
    const bool whole = chain.finalValue() == "hello world" && findings.size() == 1 &&
                       !OrvelJSON::string(findings).empty() && !OrvelExplain::explain(chain).empty() &&
                       InspectionHistory::decoded(history.encoded(), 50) == history &&
                       assess(chain, currentRiskContext()).risks.empty() && findCredentials("hello").empty() &&
                       !isBundle(readCertificateBundle("", currentRiskContext())) &&
                       Redactor({"secret"}).apply("a secret") == "a " + Redactor::fingerprint("secret");
    return whole ? 0 : 1;
}
