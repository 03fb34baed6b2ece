#include "text/Text.h"

#include <charconv>
#include <cstdint>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace orvel::Text {
namespace {

// ICU's UTF-8 macros cast in C style; keep that inside these two readers. Both expect valid
// UTF-8 and answer a negative value for an ill-formed sequence.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
UChar32 scalarAt(std::string_view text, std::int32_t& offset) {
    UChar32 scalar;
    U8_NEXT(text.data(), offset, static_cast<std::int32_t>(text.size()), scalar);
    return scalar;
}

UChar32 scalarBefore(std::string_view text, std::int32_t start, std::int32_t& offset) {
    UChar32 scalar;
    U8_PREV(text.data(), start, offset, scalar);
    return scalar;
}
#pragma GCC diagnostic pop

} // namespace

bool looksLikePrintableText(std::string_view text) {
    if (text.empty()) return false;
    const auto length = static_cast<std::int32_t>(text.size());
    std::size_t total = 0;
    std::size_t printable = 0;
    for (std::int32_t i = 0; i < length;) {
        const UChar32 scalar = scalarAt(text, i);
        ++total;
        const bool control =
            (scalar >= 0 && scalar < 0x20 && scalar != '\t' && scalar != '\n' && scalar != '\r') || scalar == 0x7F;
        if (!control) ++printable;
    }
    return static_cast<double>(printable) / static_cast<double>(total) >= 0.9;
}

bool isWhitespaceOrNewline(char32_t scalar) {
    if (scalar < 0x80) return scalar == ' ' || (scalar >= '\t' && scalar <= '\r');
    return scalar == 0x85 || scalar == 0x2028 || scalar == 0x2029 ||
           u_charType(static_cast<UChar32>(scalar)) == U_SPACE_SEPARATOR;
}

std::string_view trimmedAtEnds(std::string_view text) {
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t begin = 0;
    while (begin < length) {
        std::int32_t next = begin;
        const UChar32 scalar = scalarAt(text, next);
        if (scalar < 0 || !isWhitespaceOrNewline(static_cast<char32_t>(scalar))) break;
        begin = next;
    }
    std::int32_t end = length;
    while (end > begin) {
        std::int32_t previous = end;
        const UChar32 scalar = scalarBefore(text, begin, previous);
        if (scalar < 0 || !isWhitespaceOrNewline(static_cast<char32_t>(scalar))) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::string_view trimmedOfSpacesAndTabs(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::int64_t> decimalInteger(std::string_view text) {
    // from_chars takes "-" itself but never "+", and would take "+-5" once the "+" is gone.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace orvel::Text
