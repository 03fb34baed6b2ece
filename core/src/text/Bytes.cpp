#include "text/Bytes.h"

#include <algorithm>
#include <array>

#include "orvel/Unicode.h"
#include "text/DigitTable.h"
#include "text/Text.h"

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
constexpr std::array<int, 256> kBase32Values = digitTable("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567");
constexpr std::array<int, 256> kBase58Values = digitTable("123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz");

// Five base58 digits at a time: 58^5 < 2^30, so limb × 58^5 + carry always fits in 64 bits.
// Taking 32-bit limbs and five digits per pass does about twenty times less work than byte by byte.
constexpr std::size_t kBase58DigitsPerPass = 5;

/// The bytes whose bits the digits of `text` spell, `bitsPerDigit` to a digit of `values`, most
/// significant first; bits left over after the last whole byte are dropped. `skipped` is passed
/// over wherever it stands; absent on any other character outside the alphabet.
std::optional<ByteString> packedBits(std::string_view text, const std::array<int, 256>& values, int bitsPerDigit,
                                     char skipped = '\0') {
    ByteString bytes;
    bytes.reserve(text.size() * static_cast<std::size_t>(bitsPerDigit) / 8);
    std::uint32_t accumulator = 0; // only its low bits are read: older ones may shift out
    int bits = 0;
    for (const char c : text) {
        if (c == skipped && skipped != '\0') continue;
        const int value = values[static_cast<unsigned char>(c)];
        if (value == kNotInAlphabet) return std::nullopt;
        accumulator = accumulator << bitsPerDigit | static_cast<std::uint32_t>(value);
        bits += bitsPerDigit;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> bits));
        }
    }
    return bytes;
}

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

    return packedBits(text.substr(0, text.size() - padding), kBase64Values, 6);
}

std::optional<ByteString> base64url(std::string_view text) {
    std::string standard(text);
    for (char& c : standard) {
        if (c == '-')
            c = '+';
        else if (c == '_')
            c = '/';
    }
    switch (standard.size() % 4) {
    case 1:
        return std::nullopt;
    case 2:
        standard += "==";
        break;
    case 3:
        standard += '=';
        break;
    default:
        break;
    }
    return base64(standard);
}

std::optional<ByteString> base32(std::string_view text) { return packedBits(text, kBase32Values, 5, '='); }

std::optional<ByteString> base58(std::string_view text) {
    std::vector<std::uint32_t> limbs; // the number so far, least significant limb first
    for (std::size_t start = 0; start < text.size(); start += kBase58DigitsPerPass) {
        std::uint64_t multiplier = 1;
        std::uint64_t carry = 0;
        for (std::size_t i = start; i < text.size() && i < start + kBase58DigitsPerPass; ++i) {
            const int value = kBase58Values[static_cast<unsigned char>(text[i])];
            if (value == kNotInAlphabet) return std::nullopt;
            multiplier *= 58;
            carry = carry * 58 + static_cast<std::uint64_t>(value);
        }
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t x = limb * multiplier + carry;
            limb = static_cast<std::uint32_t>(x);
            carry = x >> 32;
        }
        for (; carry != 0; carry >>= 32) limbs.push_back(static_cast<std::uint32_t>(carry));
    }

    // Each leading "1" (the digit zero) stands for a zero byte the number itself cannot show.
    const std::size_t leadingZeros = std::min(text.find_first_not_of('1'), text.size());
    ByteString bytes(leadingZeros, 0);
    bytes.reserve(leadingZeros + limbs.size() * 4);
    bool significant = false;
    for (auto limb = limbs.rbegin(); limb != limbs.rend(); ++limb) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            const auto byte = static_cast<std::uint8_t>(*limb >> shift);
            significant = significant || byte != 0;
            if (significant) bytes.push_back(byte);
        }
    }
    return bytes;
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
    std::uint8_t alphabets =
        body == text.size() ? kStandardBase64 | kURLSafeBase64 | kHexDigits : kStandardBase64 | kURLSafeBase64;
    for (std::size_t i = 0; i < body && alphabets != 0; ++i)
        alphabets &= kWrapperAlphabets[static_cast<unsigned char>(text[i])];
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

std::vector<TextShape> wrapperShapes(bool (*mayStart)(std::uint8_t firstByte)) {
    // The digits of an alphabet whose value, as the top `bits` bits of a byte, starts one that
    // `mayStart` admits.
    const auto leadingDigits = [&](const std::array<int, 256>& values, int bits) {
        std::string digits;
        for (int c = 0; c < 256; ++c) {
            const int value = values[static_cast<std::size_t>(c)];
            bool admitted = false;
            for (int low = 0; value != kNotInAlphabet && low < 1 << (8 - bits) && !admitted; ++low)
                admitted = mayStart(static_cast<std::uint8_t>(value << (8 - bits) | low));
            if (admitted) digits += static_cast<char>(c);
        }
        return ByteSet(digits);
    };
    constexpr auto kURLSafeValues = digitTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    constexpr auto kHexValues = [] {
        std::array<int, 256> values{};
        for (int c = 0; c < 256; ++c) values[static_cast<std::size_t>(c)] = hexDigitValue(static_cast<char>(c));
        return values;
    }();
    return {
        {.alphabet = ByteSet("A-Za-z0-9+/="), .firstBytes = leadingDigits(kBase64Values, 6)},
        {.alphabet = ByteSet("A-Za-z0-9_=-"), .firstBytes = leadingDigits(kURLSafeValues, 6)},
        {.alphabet = ByteSet("0-9a-fA-F"), .firstBytes = leadingDigits(kHexValues, 4)},
    };
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
