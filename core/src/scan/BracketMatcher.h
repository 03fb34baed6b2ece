#pragma once

#include <string_view>
#include <vector>

#include "text/Regex.h"

namespace orvel {

/// The JSON candidates of a text: walking left to right, each `{` or `[` whose bracket balances
/// (brackets of either shape counted together, strings and escapes skipped) yields the range up
/// to its closing bracket, and the walk resumes after it; an unbalanced opener is passed over.
///
/// Asking for every opener's closing bracket by walking forward is quadratic (a megabyte of `{`
/// takes minutes), so the closing positions come from one right-to-left pass instead: with the
/// lexer's three states (outside a string, inside, just after a backslash) the closer for any
/// start follows from the closers already known to its right. Same ranges, linear time.
std::vector<TextRange> jsonRanges(std::string_view text);

} // namespace orvel
