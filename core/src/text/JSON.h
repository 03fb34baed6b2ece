#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// JSON reading and the canonical writer every renderer of the system uses.
namespace orvel::JSON {

using Value = nlohmann::json;

/// Parses one RFC 8259 document from UTF-8. Absent on any syntax error (a NUL byte anywhere is
/// one: the text never ends early), on invalid UTF-8, on a number too large for a double, and
/// on nesting deeper than Limits::maxJSONDepth. Integers stay integers (64-bit signed or
/// unsigned; wider ones become doubles, "-0" is the integer 0); a repeated key keeps its last
/// value; a leading byte order mark is skipped.
std::optional<Value> parse(std::string_view text);

struct WriteOptions {
    bool pretty = false;        ///< two-space indent, one member per line, " : " separators
    bool escapeSlashes = false; ///< write "/" as "\/"
};

/// Writes `value` with object keys in ascending code-point order. Strings escape the quotation
/// mark, the backslash and control characters only (ill-formed UTF-8 in a hand-built value is
/// written as U+FFFD); integers are decimal and other numbers as ECMAScript's Number::toString
/// writes them (RFC 8785): the shortest digits that read back to the same double, plain from
/// 1e-6 up to below 1e21 and with an exponent beyond ("1", "100000", "1.5e-7", "1e+21"), -0 as
/// "0". Absent when the value cannot be written (a non-finite number, a binary value, or
/// nesting deeper than Limits::maxJSONDepth).
std::optional<std::string> write(const Value& value, WriteOptions options);

/// write(*parse(text), options) without building a Value, and absent exactly when that would
/// be: a document read this way takes a fraction of a Value's memory.
std::optional<std::string> reformat(std::string_view text, WriteOptions options);

// The pieces of write(), for renderers that lay out a known record without building a Value.

/// Appends `text` as a JSON string, escaped exactly as write() escapes strings.
void appendString(std::string& out, std::string_view text, WriteOptions options);
/// Appends `text` escaped as appendString() escapes it, without the quotation marks. A long
/// text may be appended in pieces cut before bytes that start a UTF-8 sequence (any byte but
/// 10xxxxxx): the pieces together come out as the whole would.
void appendEscaped(std::string& out, std::string_view text, WriteOptions options);
/// The room writeEscaped() may take for `bytes` bytes of text: six a byte, for "\u0000".
constexpr std::size_t escapedRoom(std::size_t bytes) { return bytes * 6; }
/// Writes `text` escaped as appendEscaped() escapes it at `out`, which has escapedRoom() for it;
/// answers the end of what it wrote.
char* writeEscaped(char* out, std::string_view text, WriteOptions options);
/// Appends `number` as write() spells it; false, appending nothing, when it is not finite.
bool appendNumber(std::string& out, double number);

} // namespace orvel::JSON
