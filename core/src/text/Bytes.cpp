#include "orvel/Bytes.h"

#include <array>

#include "orvel/Regex.h"
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

// Offers each reading of `text` that matches and decodes to `take`, in wrapper order, until
// `take` answers true.
template <typename Take>
void forEachReading(std::string_view text, Take take) {
    static const Regex standardAlphabet("^[A-Za-z0-9+/]+={0,2}$");
    static const Regex urlSafeAlphabet("^[A-Za-z0-9_-]+={0,2}$");
    static const Regex hexDigits("^[0-9a-fA-F]+$");

    const std::string_view trimmedText = Text::trimmed(text);
    // Every wrapper alphabet is ASCII without line breaks, so a text that can match has as many
    // characters as bytes; anything else fails the expressions below.
    if (trimmedText.size() < 8) return;

    if (standardAlphabet.matches(trimmedText)) {
        if (auto bytes = base64(trimmedText); bytes && take(Unwrapped{std::move(*bytes), "base64"})) return;
    }
    if (urlSafeAlphabet.matches(trimmedText)) {
        if (auto bytes = base64url(trimmedText); bytes && take(Unwrapped{std::move(*bytes), "base64url"})) return;
    }
    if (hexDigits.matches(trimmedText) && trimmedText.size() % 2 == 0) {
        if (auto bytes = hex(trimmedText)) take(Unwrapped{std::move(*bytes), "hex"});
    }
}

} // namespace

std::optional<Unwrapped> fromWrapper(std::string_view text) {
    std::optional<Unwrapped> first;
    forEachReading(text, [&](Unwrapped reading) {
        first = std::move(reading);
        return true;
    });
    return first;
}

std::vector<Unwrapped> wrappedCandidates(std::string_view text) {
    std::vector<Unwrapped> readings;
    forEachReading(text, [&](Unwrapped reading) {
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
