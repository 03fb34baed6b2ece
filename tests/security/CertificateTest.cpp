// Reading certificates: the DER walker and the X.509 facts found with it.
#include <gtest/gtest.h>

#include "security/DER.h"
#include "security/X509.h"
#include "support/DERBuilder.h"
#include "support/TestData.h"

namespace orvel {
namespace {

using namespace testing;
using DER::Element;
using DER::Node;
using DER::Range;
using std::chrono::sys_seconds;

TEST(DER, ReadsDefiniteLengthsAndDeclinesWhatDoesNotFit) {
    EXPECT_EQ(DER::read({0x30, 0x03, 0x02, 0x01, 0x05}, 0), (Element{Node{0x30, Range{2, 5}}, 5}));
    // Non-minimal long forms are accepted; four length octets are the most. The real certificates
    // take the minimal ones.
    EXPECT_EQ(DER::read({0x04, 0x81, 0x02, 0xAA, 0xBB}, 0), (Element{Node{0x04, Range{3, 5}}, 5}));
    EXPECT_EQ(DER::read({0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 0xAA}, 0), (Element{Node{0x04, Range{6, 7}}, 7}));
    // Offsets at or far past the end, an indefinite length, five length octets, a claim of 4 GiB.
    // clang-format off
    const std::pair<ByteString, std::size_t> unreadable[] = {
        {{0x30, 0x00}, 2}, {{0x30, 0x00}, SIZE_MAX}, {{0x30, 0x80, 0x00, 0x00}, 0}, {{0x30, 0x85, 0, 0, 0, 0, 1, 0}, 0},
        {{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, 0}};
    // clang-format on
    for (const auto& [element, offset] : unreadable) EXPECT_FALSE(DER::read(element, offset)) << offset;
    // Every proper prefix of a valid element declines (no tag, no length, length octets cut
    // off, content short); the whole reads.
    const ByteString whole = der(0x04, ByteString(200, 0x22));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(DER::read(ByteString(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), 0)) << n;
    }
    EXPECT_TRUE(DER::read(whole, 0));
}

TEST(DER, ChildrenStopAtTheFirstDamage) {
    const ByteString bytes{0x02, 0x01, 0x07, 0x05, 0x00, 0x04, 0x01, 0xAA};
    using Nodes = std::vector<Node>;
    EXPECT_EQ(DER::children(bytes, Range{0, 8}), (Nodes{{0x02, {2, 3}}, {0x05, {5, 5}}, {0x04, {7, 8}}}));
    for (const Range empty : {Range{3, 3}, Range{5, 3}, Range{8, 20}}) EXPECT_TRUE(DER::children(bytes, empty).empty());
    // A truncated third element: what came before is kept.
    EXPECT_EQ(DER::children(ByteString(bytes.begin(), bytes.end() - 1), Range{0, 7}),
              (Nodes{{0x02, {2, 3}}, {0x05, {5, 5}}}));
    // A last child overrunning its parent's range is still listed; only the bytes bound it.
    EXPECT_EQ(DER::children(bytes, Range{0, 4}), (Nodes{{0x02, {2, 3}}, {0x05, {5, 5}}}));
}

sys_seconds at(int y, unsigned mo, unsigned d, int h, int mi, int s) {
    using namespace std::chrono;
    return sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi} + seconds{s};
}

ByteString derOfPEMFile(std::string_view name) {
    std::string body;
    std::istringstream lines(readTestData(name));
    for (std::string line; std::getline(lines, line);) body += line.starts_with("-----") ? "" : line;
    return Bytes::base64(body).value_or(ByteString{});
}

ByteString validity(const ByteString& notBefore, const ByteString& notAfter) { return sequence({notBefore, notAfter}); }

const ByteString someValidity = validity(utcTime("240101000000Z"), utcTime("250101000000Z"));

// Real certificates; the expected facts are what `openssl x509 -noout -subject -issuer -dates
// -ext subjectAltName` printed for them (tests/data/security/openssl-facts.txt).
TEST(X509, ReadsRealCertificatesAsOpenSSLDoes) {
    // Organisational units only: no common name anywhere, the rest still read. DNS names in
    // order; the IP address and e-mail address between them are left out. A critical flag
    // between identifier and value is stepped over.
    const std::pair<std::string, CertificateFacts> certificates[] = {
        // clang-format off
        {"ca-isrg-root-x1", {"ISRG Root X1", "ISRG Root X1", at(2015, 6, 4, 11, 4, 38), at(2035, 6, 4, 11, 4, 38), {}}},
        {"ca-netlock-arany", {"NetLock Arany (Class Gold) Főtanúsítvány", "NetLock Arany (Class Gold) Főtanúsítvány",
                              at(2008, 12, 11, 15, 8, 21), at(2028, 12, 6, 15, 8, 21), {}}},
        {"ca-starfield-class2", {{}, {}, at(2004, 6, 29, 17, 39, 16), at(2034, 6, 29, 17, 39, 16), {}}},
        {"leaf-san", {"internal-api", "internal-api", at(2026, 12, 5, 17, 49, 33), at(2029, 3, 9, 17, 49, 33),
                      {"internal-api", "api.example.test", "*.svc.example.test"}}},
        {"leaf-critical-san", {"critical-san.example.test", "critical-san.example.test", at(2026, 12, 5, 17, 49, 34),
                               at(2027, 1, 4, 17, 49, 34), {"a.example.test", "b.example.test"}}}};
    // clang-format on
    for (const auto& [name, facts] : certificates) {
        EXPECT_EQ(X509::parse(derOfPEMFile("security/" + name + ".cert.pem")), facts) << name;
    }
}

TEST(X509, FindsFieldsByPosition) {
    const ByteString issuer = sequence({commonNameRDN("Issuer CA")});
    const ByteString subject = sequence({commonNameRDN("leaf")});
    const CertificateFacts expected{"leaf", "Issuer CA", at(2024, 1, 1, 0, 0, 0), at(2025, 1, 1, 0, 0, 0), {}};
    // Bytes after the certificate are ignored.
    EXPECT_EQ(X509::parse(concat({v3Certificate(issuer, someValidity, subject), {0xDE, 0xAD}})), expected);
    // Version 1: no explicit version, so the issuer is the third field.
    const ByteString serial = der(0x02, ByteString{0x01});
    const ByteString algorithm = sequence({der(0x06, ByteString{0x2A})});
    EXPECT_EQ(X509::parse(certificate({serial, algorithm, issuer, someValidity, subject})), expected);
    // Only four fields after the version: there is no subject position. The outer shapes must be sequences.
    const ByteString version = der(0xA0, der(0x02, ByteString{0x02}));
    EXPECT_FALSE(X509::parse(certificate({version, serial, algorithm, issuer, someValidity})));
    for (const ByteString& shape : {der(0x31, sequence({})), sequence({}), sequence({der(0x02, ByteString{0x01})})}) {
        EXPECT_FALSE(X509::parse(shape));
    }
}

TEST(X509, TakesTheFirstCommonName) {
    const auto subjectCN = [](std::initializer_list<ByteString> names) {
        return X509::parse(v3Certificate(sequence({}), someValidity, sequence(names)))->subjectCN;
    };
    const ByteString cn{0x55, 0x04, 0x03};
    EXPECT_EQ(subjectCN({organisationRDN("Org"), commonNameRDN("first"), commonNameRDN("second")}), "first");
    // Two attributes in one relative name: encoding order decides.
    const ByteString twoNames = concat({sequence({der(0x06, cn), der(0x13, "alpha")}),  // printable string
                                        sequence({der(0x06, cn), der(0x0C, "beta")})}); // UTF-8 string
    EXPECT_EQ(subjectCN({der(0x31, twoNames)}), "alpha");
    // Any string type is read as UTF-8; a first name that is not UTF-8 ends the search.
    EXPECT_EQ(subjectCN({rdn(cn, der(0x1E, "bmp"))}), "bmp");
    EXPECT_EQ(subjectCN({rdn(cn, der(0x0C, "\xC3\x28")), commonNameRDN("later")}), std::nullopt);
    // An attribute with a third part is not a common name; a longer OID is not the common name.
    const ByteString threeParts = der(0x31, sequence({der(0x06, cn), der(0x0C, "x"), der(0x0C, "y")}));
    EXPECT_EQ(subjectCN({threeParts, rdn({0x55, 0x04, 0x03, 0x01}, der(0x0C, "long")), commonNameRDN("ok")}), "ok");
}

TEST(X509, ReadsBothTimeFormsInUTC) {
    using Times = std::pair<std::optional<sys_seconds>, std::optional<sys_seconds>>;
    const auto times = [](const ByteString& notBefore, const ByteString& notAfter) {
        const auto facts = X509::parse(v3Certificate(sequence({}), validity(notBefore, notAfter), sequence({})));
        return Times{facts->notBefore, facts->notAfter};
    };
    // The UTCTime century pivots between 49 and 50.
    EXPECT_EQ(times(utcTime("491231235959Z"), utcTime("500101000000Z")),
              (Times{at(2049, 12, 31, 23, 59, 59), at(1950, 1, 1, 0, 0, 0)}));
    EXPECT_EQ(times(generalizedTime("20500101000000Z"), generalizedTime("19991231235959.123Z")),
              (Times{at(2050, 1, 1, 0, 0, 0), at(1999, 12, 31, 23, 59, 59)}));
    // Missing seconds read as zero; an offset is never applied; leap day exists in 2024 only.
    EXPECT_EQ(times(utcTime("2401011200Z"), utcTime("240101120000+0100")),
              (Times{at(2024, 1, 1, 12, 0, 0), at(2024, 1, 1, 12, 0, 0)}));
    EXPECT_EQ(times(utcTime("240229000000Z"), utcTime("230229000000Z")), (Times{at(2024, 2, 29, 0, 0, 0), {}}));
    // Out-of-range components name no instant, nor does another tag or a negative year.
    for (const char* bad : {"241301000000Z", "240132000000Z", "240100000000Z", "240101240000Z", "240101006000Z",
                            "240101000060Z", "2401011Z", "2401 11200Z"}) {
        EXPECT_EQ(times(utcTime(bad), utcTime(bad)), (Times{})) << bad;
    }
    EXPECT_EQ(times(generalizedTime("-9990101000000Z"), der(0x04, "240101000000Z")), (Times{}));
    EXPECT_EQ(times(utcTime("2401010000\xC3\xA9Z"), utcTime("240101000000")), (Times{{}, at(2024, 1, 1, 0, 0, 0)}));
    // A validity with one time gives neither.
    const ByteString oneTime = sequence({utcTime("240101000000Z")});
    EXPECT_EQ(X509::parse(v3Certificate(sequence({}), oneTime, sequence({}))), CertificateFacts{});
}

TEST(X509, UsesOnlyTheFirstSubjectAltNameExtension) {
    using Names = std::vector<std::string>;
    const auto sanOf = [](std::initializer_list<ByteString> extensions) {
        const ByteString tail = der(0xA3, sequence(extensions));
        return X509::parse(v3Certificate(sequence({}), someValidity, sequence({}), tail))->sanDNS;
    };
    // The real certificates show other extensions, other kinds of name and a critical flag skipped.
    const ByteString sanOID = der(0x06, ByteString{0x55, 0x1D, 0x11});
    const ByteString email = der(0x81, "ops@example.test");
    // A usable but empty extension ends the search; a non-UTF-8 name is left out.
    EXPECT_EQ(sanOf({subjectAltNameExtension({email}), subjectAltNameExtension({dnsName("late.test")})}), Names{});
    EXPECT_EQ(sanOf({subjectAltNameExtension({dnsName("\xFF"), dnsName("ok.test")})}), Names{"ok.test"});
    // An extension without an octet string, or with an empty one, is skipped.
    const ByteString emptyValue = sequence({sanOID, der(0x04, ByteString{})});
    EXPECT_EQ(sanOf({sequence({sanOID}), emptyValue, subjectAltNameExtension({dnsName("d.test")})}), Names{"d.test"});
    EXPECT_EQ(sanOf({}), Names{});
}

TEST(X509, HostileBytesNeverReadOutOfBounds) {
    // Every prefix of a real certificate is read without touching a byte past its end.
    const ByteString real = derOfPEMFile("security/leaf-san.cert.pem");
    ASSERT_EQ(real.size(), 521u); // as openssl counted it
    for (std::size_t n = 0; n < real.size(); ++n) {
        // A copy of its own, so the sanitizer sees the end exactly; the outer length always overruns a prefix.
        EXPECT_FALSE(X509::parse(ByteString(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(n)))) << n;
    }

    // SEQUENCEs nested 10,000 deep: the walk goes a fixed number of levels down, never recursing.
    const ByteString nested = nestedSequences(10'000);
    ASSERT_EQ(DER::read(nested, 0)->end, nested.size());
    EXPECT_EQ(X509::parse(nested), std::nullopt);
    // Random bytes are the DER fuzz target's.
}

} // namespace
} // namespace orvel
