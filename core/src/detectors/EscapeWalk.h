#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "orvel/DecodeResult.h"

namespace orvel {

/// A text with its escapes replaced, and how many were.
struct Unescaped {
    std::string text;
    std::size_t count = 0;
};

/// The walk shared by the escape forms (HTML references, Unicode escapes). `next(from)` is the
/// offset of the next byte at or after `from` that may open an escape, npos when none is left;
/// `replace(at, out)` appends what the escape opened at `at` stands for and answers its length,
/// or answers 0, and then the opening byte is copied and the walk goes on after it. Every other
/// byte is copied through, so walking bytes yields the same text as walking user-perceived
/// characters when an escape is only taken whose ends are character boundaries.
template <typename Next, typename Replace>
Unescaped unescape(std::string_view text, Next next, Replace replace) {
    Unescaped out;
    out.text.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = next(i);
        if (at == std::string_view::npos) {
            out.text.append(text.substr(i));
            break;
        }
        out.text.append(text.substr(i, at - i));
        if (const std::size_t length = replace(at, out.text)) {
            ++out.count;
            i = at + length;
        } else {
            out.text += text[at];
            i = at + 1;
        }
    }
    return out;
}

/// The step for `text` unescaped: "<label> (N decoded)" with a "count" detail; declines when
/// nothing was replaced or the result is canonically the text itself.
std::optional<DecodeResult> unescapedStep(DetectionKind kind, std::string_view label, double confidence,
                                          std::string_view text, Unescaped unescaped);

} // namespace orvel
