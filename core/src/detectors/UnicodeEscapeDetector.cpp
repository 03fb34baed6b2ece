#include "detectors/UnicodeEscapeDetector.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <string>
#include <utility>

#include "detectors/EscapeWalk.h"
#include "orvel/Unicode.h"
#include "text/Patterns.h"

namespace orvel {
namespace {

/// The value of `digits` read as hexadecimal, when every one of them is a hex digit.
std::optional<std::uint32_t> hexValue(std::string_view digits) {
    if (!std::ranges::all_of(digits, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    return value;
}

struct Escape {
    std::size_t length; ///< backslash included
    char32_t codePoint;
};

/// The escape that starts with the backslash at `offset`, if it is a whole run of characters
/// that names something we can write. Escapes are ASCII, and two ASCII characters other than
/// CR LF are always apart, so only the two ends can be joined to a neighbour (a prepended mark
/// before the backslash, a combining mark after the last digit).
std::optional<Escape> escapeAt(std::string_view text, std::size_t offset) {
    if (offset + 1 >= text.size() || !Unicode::isGraphemeBoundary(text, offset)) return std::nullopt;
    const char letter = text[offset + 1];
    const std::size_t length = letter == 'u' ? 6 : letter == 'x' ? 4 : 0;
    if (length == 0 || offset + length > text.size()) return std::nullopt;
    const auto value = hexValue(text.substr(offset + 2, length - 2));
    if (!value || !Unicode::isGraphemeBoundary(text, offset + length)) return std::nullopt;
    // A lone surrogate is not a character; pairs are not combined, so both halves stay escaped.
    if (*value >= 0xD800 && *value <= 0xDFFF) return std::nullopt;
    return Escape{length, static_cast<char32_t>(*value)};
}

} // namespace

std::optional<DecodeResult> UnicodeEscapeDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    if (!Patterns::compiled(Patterns::Id::unicodeEscape).matches(text)) return std::nullopt;

    // An escape is only taken when its backslash starts a character and its last digit ends one.
    const auto nextBackslash = [&](std::size_t from) { return text.find('\\', from); };
    const auto replace = [&](std::size_t backslash, std::string& out) -> std::size_t {
        const auto found = escapeAt(text, backslash);
        if (!found) return 0;
        Unicode::appendUTF8(out, found->codePoint);
        return found->length;
    };
    return unescapedStep(DetectionKind::unicodeEscape, "Unicode escapes", UnicodeEscapeDetector::kConfidence, text,
                         unescape(text, nextBackslash, replace));
}

std::vector<TextShape> UnicodeEscapeDetector::acceptedShapes() const { return {{.mustContain = ByteSet("\\")}}; }

} // namespace orvel
