#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "text/Regex.h"

namespace orvel {

/// The byte classes whose long runs sign the scanner's candidate patterns: [A-Za-z0-9+/_-],
/// [0-9A-Fa-f] and [0-9].
enum class RunClass { base64, hex, digits };

/// Calls `found` with each white-space-free run of `text` (white space being ASCII's: space and
/// tab to carriage return) that holds `length` consecutive bytes of `members`, in text order.
/// `length` is 1 to 64. Reads the text 64 bytes at a time, with SSE2 where there is SSE2.
void forEachRunHolding(std::string_view text, RunClass members, std::size_t length,
                       const std::function<void(const TextRange&)>& found);

/// The white-space-free run of `text` around byte `at`, which is no white space.
TextRange runAround(std::string_view text, std::size_t at);

} // namespace orvel
