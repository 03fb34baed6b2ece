#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orvel {

/// `text` as a 64-bit signed decimal integer: one optional "+" or "-", then one or more ASCII
/// digits and nothing else. Absent otherwise, and when the value does not fit.
inline std::optional<std::int64_t> strictDecimalInteger(std::string_view text) {
    // from_chars takes "-" itself but never "+", and would take "+-5" once the "+" is gone.
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    const std::string_view parsed = text.front() == '+' ? digits : text;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(parsed.data(), parsed.data() + parsed.size(), value);
    if (error != std::errc{} || end != parsed.data() + parsed.size()) return std::nullopt;
    return value;
}

} // namespace orvel
