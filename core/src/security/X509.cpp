#include "security/X509.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "security/DER.h"
#include "text/Text.h"

namespace orvel::X509 {
namespace {

constexpr std::uint8_t dnsNameTag = 0x82;

// Encoded contents of 2.5.4.3 (commonName) and 2.5.29.17 (subjectAltName).
constexpr std::array<std::uint8_t, 3> commonNameOID{0x55, 0x04, 0x03};
constexpr std::array<std::uint8_t, 3> subjectAltNameOID{0x55, 0x1D, 0x11};

bool contentEquals(const ByteString& bytes, const DER::Node& node, const std::array<std::uint8_t, 3>& expected) {
    return std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(node.content.lower),
                      bytes.begin() + static_cast<std::ptrdiff_t>(node.content.upper), expected.begin(),
                      expected.end());
}

std::optional<std::string> utf8Content(const ByteString& bytes, DER::Range range) {
    return Bytes::utf8Text(ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(range.lower),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(range.upper)));
}

std::optional<std::string> commonName(const ByteString& bytes, DER::Range name) {
    for (const DER::Node& relativeName : DER::children(bytes, name)) {
        for (const DER::Node& attribute : DER::children(bytes, relativeName.content)) {
            const auto parts = DER::children(bytes, attribute.content);
            if (parts.size() != 2 || parts[0].tag != DER::Tag::objectIdentifier ||
                !contentEquals(bytes, parts[0], commonNameOID)) {
                continue;
            }
            // The first common name decides, even when it is not text.
            return utf8Content(bytes, parts[1].content);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> dnsNamesOfExtension(const ByteString& bytes, const DER::Node& extension) {
    const auto fields = DER::children(bytes, extension.content);
    const auto identifier = std::find_if(
        fields.begin(), fields.end(), [](const DER::Node& field) { return field.tag == DER::Tag::objectIdentifier; });
    if (identifier == fields.end() || !contentEquals(bytes, *identifier, subjectAltNameOID)) return std::nullopt;
    // Searching by tag steps over the optional critical flag between identifier and value.
    const auto value = std::find_if(fields.begin(), fields.end(),
                                    [](const DER::Node& field) { return field.tag == DER::Tag::octetString; });
    if (value == fields.end()) return std::nullopt;
    const auto wrapped = DER::children(bytes, value->content);
    if (wrapped.empty()) return std::nullopt;

    std::vector<std::string> names;
    for (const DER::Node& generalName : DER::children(bytes, wrapped.front().content)) {
        if (generalName.tag != dnsNameTag) continue;
        if (auto name = utf8Content(bytes, generalName.content)) names.push_back(std::move(*name));
    }
    return names;
}

std::vector<std::string> subjectAltDNSNames(const ByteString& bytes, DER::Range toBeSigned) {
    for (const DER::Node& field : DER::children(bytes, toBeSigned)) {
        if (field.tag != DER::Tag::extensions) continue;
        const auto wrapped = DER::children(bytes, field.content);
        if (wrapped.empty()) continue;
        for (const DER::Node& extension : DER::children(bytes, wrapped.front().content)) {
            // The first usable subject-alternative-name extension ends the search, even when empty.
            if (auto names = dnsNamesOfExtension(bytes, extension)) return std::move(*names);
        }
    }
    return {};
}

std::optional<std::chrono::sys_seconds> parseTime(const ByteString& bytes, const DER::Node& node) {
    std::string text;
    for (std::size_t i = node.content.lower; i < node.content.upper; ++i) {
        if (bytes[i] >= 0x80) return std::nullopt;
        // Every zone designator goes; offsets such as +0100 stay and are never applied.
        if (bytes[i] != 'Z') text += static_cast<char>(bytes[i]);
    }
    const auto num = [&text](std::size_t offset, std::size_t length) -> std::optional<std::int64_t> {
        if (text.size() < offset + length) return std::nullopt;
        return Text::decimalInteger(std::string_view(text).substr(offset, length));
    };

    std::int64_t year = 0;
    std::size_t fieldStart = 0;
    if (node.tag == DER::Tag::generalizedTime) {
        const auto fullYear = num(0, 4);
        if (!fullYear) return std::nullopt;
        year = *fullYear;
        fieldStart = 4;
    } else if (node.tag == DER::Tag::utcTime) {
        const auto shortYear = num(0, 2);
        if (!shortYear) return std::nullopt;
        year = *shortYear > 49 ? 1900 + *shortYear : 2000 + *shortYear;
        fieldStart = 2;
    } else {
        return std::nullopt;
    }
    const auto month = num(fieldStart, 2);
    const auto day = num(fieldStart + 2, 2);
    const auto hour = num(fieldStart + 4, 2);
    const auto minute = num(fieldStart + 6, 2);
    if (!month || !day || !hour || !minute) return std::nullopt;
    const std::int64_t second = num(fieldStart + 8, 2).value_or(0);

    // No normalising: a component outside its range (month 13, 30 February, hour 24, a
    // negative year from "-999") names no instant.
    if (year < 0 || *month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour < 0 || *hour > 23 || *minute < 0 ||
        *minute > 59 || second < 0 || second > 59) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{static_cast<int>(year)},
                              std::chrono::month{static_cast<unsigned>(*month)},
                              std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok()) return std::nullopt;
    return sys_days{date} + hours{*hour} + minutes{*minute} + seconds{second};
}

} // namespace

std::optional<CertificateFacts> parse(const ByteString& der) {
    const auto certificate = DER::read(der, 0);
    if (!certificate || certificate->node.tag != DER::Tag::sequence) return std::nullopt;
    const auto certificateParts = DER::children(der, certificate->node.content);
    if (certificateParts.empty() || certificateParts.front().tag != DER::Tag::sequence) return std::nullopt;

    const DER::Range toBeSigned = certificateParts.front().content;
    const auto fields = DER::children(der, toBeSigned);
    // Without the explicit version the serial number comes first, with it second.
    const std::size_t base = !fields.empty() && fields.front().tag == DER::Tag::explicitVersion ? 3 : 2;
    if (fields.size() <= base + 2) return std::nullopt;
    const DER::Node& issuer = fields[base];
    const DER::Node& validity = fields[base + 1];
    const DER::Node& subject = fields[base + 2];

    CertificateFacts facts;
    facts.subjectCN = commonName(der, subject.content);
    facts.issuerCN = commonName(der, issuer.content);
    const auto times = DER::children(der, validity.content);
    if (times.size() >= 2) {
        facts.notBefore = parseTime(der, times[0]);
        facts.notAfter = parseTime(der, times[1]);
    }
    facts.sanDNS = subjectAltDNSNames(der, toBeSigned);
    return facts;
}

} // namespace orvel::X509
