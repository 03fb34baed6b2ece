#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvel::Text {

/// Is `text` readable: non-empty, with at least 90 % of its scalar values printable? Controls
/// below U+0020 other than tab, LF and CR, and U+007F, are unprintable; everything else counts.
bool looksLikePrintableText(std::string_view text);

/// Is `scalar` white space or a line break for trimming (Zs, tab, U+000A...U+000D, U+0085,
/// U+2028, U+2029)?
bool isWhitespaceOrNewline(char32_t scalar);

/// trimmed(text), reading the ends as characters: what trimmed() calls unless both ends are
/// ASCII bytes that are plainly no white space.
std::string_view trimmedAtEnds(std::string_view text);

/// `text` without leading and trailing white space and line breaks.
inline std::string_view trimmed(std::string_view text) {
    // Most texts start and end with an ASCII byte that is no white space, and are their own
    // trim: told here, where every candidate of a scan asks, without a call.
    const auto standsFirm = [](char c) { return c > ' ' && c < 0x7F; };
    if (text.empty() || (standsFirm(text.front()) && standsFirm(text.back()))) return text;
    return trimmedAtEnds(text);
}

/// `text` without leading and trailing spaces and tabs (those two characters only).
std::string_view trimmedOfSpacesAndTabs(std::string_view text);

/// `text` as a 64-bit signed decimal integer: one optional "+" or "-", then one or more ASCII
/// digits and nothing else. Absent otherwise, and when the value does not fit.
std::optional<std::int64_t> decimalInteger(std::string_view text);

} // namespace orvel::Text
