#pragma once

#include "orvel/Risk.h"

#include <string_view>

// One function per artifact family, each adding to an assessment what it sees in one step.
// `stepInput` is the text the step decoded: the chain's input or the previous step's output.
namespace orvel::RiskFamilies {

using StepCheck = void (*)(std::string_view stepInput, const DecodeResult& step, const RiskContext& context,
                           Assessment& out);

/// JWTs: unsigned or confusable algorithms, injectable header parameters, lifetime and expiry.
void tokenRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context, Assessment& out);

/// Password hashes graded against OWASP's minimums, and bare digests that are not password hashes.
void passwordHashRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context,
                       Assessment& out);

/// The risk of private key material under the PEM label `label` ("EC PRIVATE KEY").
Risk privateKeyRisk(std::string_view label);

/// PEM private keys, encrypted or not: secret material wherever they turn up.
void privateKeyRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context, Assessment& out);

/// A certificate's validity, lifetime, signature, key and names.
void certificateRisks(std::string_view stepInput, const DecodeResult& step, const RiskContext& context,
                      Assessment& out);

} // namespace orvel::RiskFamilies
