// Security artifacts through the whole engine, and the DER reader on large and hostile input.
#include <string>

#include <benchmark/benchmark.h>

#include "orvel/Orvel.h"
#include "security/DER.h"
#include "security/X509.h"
#include "support/Base64Encode.h"
#include "support/DERBuilder.h"

namespace {

using namespace orvel;
using namespace orvel::testing;

std::string asText(const ByteString& bytes) { return {bytes.begin(), bytes.end()}; }

std::string pem(std::string_view label, const ByteString& der) {
    const std::string body = base64Encode(asText(der));
    std::string text = "-----BEGIN " + std::string(label) + "-----\n";
    for (std::size_t i = 0; i < body.size(); i += 64) text += body.substr(i, 64) + "\n";
    return text + "-----END " + std::string(label) + "-----\n";
}

// A leaf certificate shaped like a CDN's: a few hundred DNS names.
ByteString manyNamesCertificate(int names) {
    ByteString generalNames;
    for (int i = 0; i < names; ++i) {
        const ByteString name = dnsName("host-" + std::to_string(i) + ".cdn.example.test");
        generalNames.insert(generalNames.end(), name.begin(), name.end());
    }
    const ByteString extension =
        sequence({der(0x06, ByteString{0x55, 0x1D, 0x11}), der(0x04, der(0x30, generalNames))});
    return v3Certificate(
        sequence({commonNameRDN("Example CA")}), sequence({utcTime("250101000000Z"), utcTime("260101000000Z")}),
        sequence({organisationRDN("Example"), commonNameRDN("cdn.example.test")}), der(0xA3, sequence({extension})));
}

void BM_InspectJWT(benchmark::State& state) {
    const std::string token =
        base64Encode(R"({"alg":"RS256","typ":"JWT","kid":"rsa-2026"})", true, false) + "." +
        base64Encode(R"({"iss":"https://login.example.test/","sub":"user-42","aud":"orders-api","iat":1767225600,)"
                     R"("nbf":1767225600,"exp":1767232800,"jti":"b6f1c0de","scope":"orders:read"})",
                     true, false) +
        "." + std::string(342, 'A');
    for (auto _ : state) benchmark::DoNotOptimize(inspect(token));
}
BENCHMARK(BM_InspectJWT)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_InspectCertificatePEM(benchmark::State& state) {
    const std::string text = pem("CERTIFICATE", manyNamesCertificate(static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(inspect(text));
    state.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(BM_InspectCertificatePEM)
    ->Arg(3)
    ->Arg(1000)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_InspectPasswordHash(benchmark::State& state) {
    const std::string hash =
        "$argon2id$v=19$m=65536,t=3,p=4$b3J2ZWxzYWx0MTZieXRlcw$b9+oXqESx/KXoQH2y/kOQOgq3e9on4cHt0Lujn+0Da8";
    for (auto _ : state) benchmark::DoNotOptimize(inspect(hash));
}
BENCHMARK(BM_InspectPasswordHash)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// Hostile: an armour that never closes, over the largest text inspect accepts.
void BM_InspectUnclosedArmour(benchmark::State& state) {
    std::string text = "-----BEGIN CERTIFICATE-----\n";
    while (text.size() < (std::size_t{16} << 20) - 100) text += std::string(64, 'Q') + "\n";
    for (auto _ : state) benchmark::DoNotOptimize(inspect(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_InspectUnclosedArmour)->Iterations(3)->Unit(benchmark::kMillisecond);

// Hostile: 12 MiB of two-byte elements, the most a 16 MiB PEM body can hold; the child list is capped.
void BM_DERChildrenOfTwelveMebibytes(benchmark::State& state) {
    ByteString bytes;
    while (bytes.size() < (std::size_t{12} << 20)) bytes.insert(bytes.end(), {0x05, 0x00});
    for (auto _ : state) benchmark::DoNotOptimize(DER::children(bytes, DER::Range{0, bytes.size()}));
}
BENCHMARK(BM_DERChildrenOfTwelveMebibytes)->Unit(benchmark::kMicrosecond);

void BM_X509ParseNestedTenThousandDeep(benchmark::State& state) {
    const ByteString nested = nestedSequences(10'000);
    for (auto _ : state) benchmark::DoNotOptimize(X509::parse(nested));
}
BENCHMARK(BM_X509ParseNestedTenThousandDeep)->Unit(benchmark::kMicrosecond);

} // namespace
