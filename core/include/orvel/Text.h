#pragma once

#include <string_view>

namespace orvel::Text {

/// Is `text` readable: non-empty, with at least 90 % of its scalar values printable? Controls
/// below U+0020 other than tab, LF and CR, and U+007F, are unprintable; everything else counts.
bool looksLikePrintableText(std::string_view text);

/// Is `scalar` white space or a line break for trimming (Zs, tab, U+000A...U+000D, U+0085,
/// U+2028, U+2029)?
bool isWhitespaceOrNewline(char32_t scalar);

/// `text` without leading and trailing white space and line breaks.
std::string_view trimmed(std::string_view text);

} // namespace orvel::Text
