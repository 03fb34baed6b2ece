#include "orvel/Bytes.h"

#include <array>

#include "orvel/Text.h"
#include "orvel/Unicode.h"
#include "text/DigitTable.h"

namespace orvel::Bytes {
namespace {

constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return kNotInAlphabet;
}

constexpr std::array<int, 256> kBase64Values =
    digitTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");

} // namespace

std::optional<ByteString> hex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    ByteString bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high == kNotInAlphabet || low == kNotInAlphabet) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::optional<ByteString> base64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    if (padding > 2) return std::nullopt;

    const std::size_t symbols = text.size() - padding;
    ByteString bytes;
    bytes.reserve(symbols * 3 / 4);
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (std::size_t i = 0; i < symbols; ++i) {
        const int value = kBase64Values[static_cast<unsigned char>(text[i])];
        if (value == kNotInAlphabet) return std::nullopt;
        accumulator = (accumulator << 6 | static_cast<std::uint32_t>(value)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> bits));
        }
    }
    return bytes;
}

std::optional<ByteString> base64url(std::string_view text) {
    std::string standard(text);
    for (char& c : standard) {
        if (c == '-') c = '+';
        else if (c == '_') c = '/';
    }
    switch (standard.size() % 4) {
    case 1: return std::nullopt;
    case 2: standard += "=="; break;
    case 3: standard += '='; break;
    default: break;
    }
    return base64(standard);
}

namespace {

// The wrapper alphabets each byte belongs to, as bits.
constexpr std::uint8_t kStandardBase64 = 1;
constexpr std::uint8_t kURLSafeBase64 = 2;
constexpr std::uint8_t kHexDigits = 4;

constexpr std::array<std::uint8_t, 256> kWrapperAlphabets = [] {
    std::array<std::uint8_t, 256> table{};
    const auto mark = [&table](std::string_view members, std::uint8_t alphabet) {
        for (const char c : members) table[static_cast<unsigned char>(c)] |= alphabet;
    };
    constexpr std::string_view alphanumerics = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    mark(alphanumerics, kStandardBase64 | kURLSafeBase64);
    mark("+/", kStandardBase64);
    mark("-_", kURLSafeBase64);
    mark("0123456789abcdefABCDEF", kHexDigits);
    return table;
}();

/// The wrapper alphabets `text` is written in: base64 forms allow up to two "=" at the end, and
/// every form wants at least one character of its alphabet.
std::uint8_t alphabetsOf(std::string_view text) {
    std::size_t body = text.size();
    while (body > 0 && text.size() - body < 2 && text[body - 1] == '=') --body;
    if (body == 0) return 0;
    std::uint8_t alphabets = body == text.size() ? kStandardBase64 | kURLSafeBase64 | kHexDigits
                                                 : kStandardBase64 | kURLSafeBase64;
    for (std::size_t i = 0; i < body && alphabets != 0; ++i) alphabets &= kWrapperAlphabets[static_cast<unsigned char>(text[i])];
    return alphabets;
}

// Offers each reading of `text` that is written in its alphabet, opens as `opens` asks and
// decodes to `take`, in wrapper order, until `take` answers true.
template <typename Take>
void forEachReading(std::string_view text, OpeningTest opens, Take take) {
    const std::string_view trimmedText = Text::trimmed(text);
    if (trimmedText.size() < 8) return;
    const std::uint8_t alphabets = alphabetsOf(trimmedText);

    // Most texts a container detector sees are no container, and their first characters say so
    // before the whole text is decoded. Eight base64 or twelve hex characters make six bytes.
    const auto mayOpen = [&](auto decode, std::size_t characters) {
        static_assert(kOpeningBytes == 6);
        if (opens == nullptr || trimmedText.size() <= characters) return true;
        const auto head = decode(trimmedText.substr(0, characters));
        return !head || opens(*head);
    };
    if ((alphabets & kStandardBase64) && mayOpen(base64, 8)) {
        if (auto bytes = base64(trimmedText); bytes && take(Unwrapped{std::move(*bytes), "base64"})) return;
    }
    if ((alphabets & kURLSafeBase64) && mayOpen(base64url, 8)) {
        if (auto bytes = base64url(trimmedText); bytes && take(Unwrapped{std::move(*bytes), "base64url"})) return;
    }
    if ((alphabets & kHexDigits) && trimmedText.size() % 2 == 0 && mayOpen(hex, 12)) {
        if (auto bytes = hex(trimmedText)) take(Unwrapped{std::move(*bytes), "hex"});
    }
}

} // namespace

std::optional<Unwrapped> fromWrapper(std::string_view text) {
    std::optional<Unwrapped> first;
    forEachReading(text, nullptr, [&](Unwrapped reading) {
        first = std::move(reading);
        return true;
    });
    return first;
}

std::vector<Unwrapped> wrappedCandidates(std::string_view text, OpeningTest opens) {
    std::vector<Unwrapped> readings;
    forEachReading(text, opens, [&](Unwrapped reading) {
        readings.push_back(std::move(reading));
        return false;
    });
    return readings;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (text.size() - i < 3) return std::nullopt;
        const auto byte = hex(text.substr(i + 1, 2));
        if (!byte) return std::nullopt;
        decoded += static_cast<char>(byte->front());
        i += 2;
    }
    if (!Unicode::isValidUTF8(decoded)) return std::nullopt;
    return decoded;
}

std::optional<std::string> utf8Text(const ByteString& bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (!Unicode::isValidUTF8(text)) return std::nullopt;
    return text;
}

} // namespace orvel::Bytes
