#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// JSON reading and the canonical writer every renderer of the system uses.
namespace orvel::JSON {

using Value = nlohmann::json;

/// Parses one RFC 8259 document from UTF-8. Absent on any syntax error, on invalid UTF-8, and
/// on nesting deeper than Limits::maxJSONDepth. Integers stay integers (64-bit signed or
/// unsigned; wider ones become doubles); a repeated key keeps its last value.
std::optional<Value> parse(std::string_view text);

struct WriteOptions {
    bool pretty = false;          ///< two-space indent, one member per line, " : " separators
    bool escapeSlashes = false;   ///< write "/" as "\/"
};

/// Writes `value` with object keys in ascending code-point order. Strings escape the quotation
/// mark, the backslash and control characters only; integers are decimal and other numbers the
/// shortest text that reads back to the same double. Absent when the value cannot be written
/// (a non-finite number, or nesting deeper than Limits::maxJSONDepth).
std::optional<std::string> write(const Value& value, WriteOptions options);

} // namespace orvel::JSON
