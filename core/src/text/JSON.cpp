#include "orvel/JSON.h"

#include "orvel/Limits.h"
#include "orvel/Unicode.h"

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <system_error>
#include <type_traits>

namespace orvel::JSON {
namespace {

// The writer relies on the object map iterating keys in ascending byte order, which for UTF-8
// is code-point order; an insertion-ordered map here would silently break canonical output.
static_assert(std::is_same_v<Value::object_comparator_t, std::less<>>);

/// Does `text` open more than Limits::maxJSONDepth containers at once? Brackets inside strings
/// do not count. A linear scan, so a hostile document is refused before any tree is built.
bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i; // the escaped character cannot end the string
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > Limits::maxJSONDepth) {
                return true;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth; // an unbalanced closer is the parser's syntax error to report
        }
    }
    return false;
}

/// Does the first element of a top-level array or object in `text` already break the grammar?
/// Scanned logs are full of bracketed levels, times and names ("[INFO]", "[2026-10-09T00:00:00Z]",
/// "{user}"), and the parser's syntax errors are costly to build, so these are refused first.
/// Only a necessary condition: whatever passes is still up to the parser.
bool opensBadly(std::string_view text) {
    constexpr std::string_view blank = " \t\n\r";
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::size_t open = text.find_first_not_of(blank);
    if (open == std::string_view::npos || (text[open] != '[' && text[open] != '{')) {
        return false;
    }
    const std::size_t first = text.find_first_not_of(blank, open + 1);
    if (first == std::string_view::npos) {
        return true;
    }
    const char c = text[first];
    if (text[open] == '{') {
        return c != '"' && c != '}';
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
        // A number is made of these characters alone, and a delimiter follows it.
        const std::size_t end = text.find_first_not_of("0123456789+-.eE", first);
        const std::size_t next = end == std::string_view::npos ? end : text.find_first_not_of(blank, end);
        return next == std::string_view::npos || (text[next] != ',' && text[next] != ']');
    }
    return std::string_view("[{\"]tfn").find(c) == std::string_view::npos;
}

// How each byte appears inside a string: 0 as itself, 'u' as \u00XX, else after a backslash.
constexpr std::array<char, 256> escapeTable = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 0x20; ++c) {
        table[static_cast<std::size_t>(c)] = 'u';
    }
    table['\b'] = 'b';
    table['\f'] = 'f';
    table['\n'] = 'n';
    table['\r'] = 'r';
    table['\t'] = 't';
    table['"'] = '"';
    table['\\'] = '\\';
    return table;
}();

void appendValidEscaped(std::string& out, std::string_view text, bool escapeSlashes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::size_t run = 0; // start of the bytes not yet appended, which need no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char escape = escapeTable[byte];
        if (escape == 0 && byte == '/' && escapeSlashes) {
            escape = '/';
        }
        if (escape == 0) {
            continue;
        }
        out.append(text.substr(run, i - run));
        run = i + 1;
        out += '\\';
        if (escape == 'u') {
            const char unicode[] = {'u', '0', '0', hex[byte >> 4], hex[byte & 0xF]};
            out.append(unicode, sizeof unicode);
        } else {
            out += escape;
        }
    }
    out.append(text.substr(run));
}

class Writer {
  public:
    Writer(std::string& out, WriteOptions options) : m_out(out), m_options(options) {}

    /// Appends `value`, nested in `depth` enclosing containers; false when it cannot be written.
    bool value(const Value& value, int depth) {
        switch (value.type()) {
        case Value::value_t::null:
            m_out += "null";
            return true;
        case Value::value_t::boolean:
            m_out += value.get_ref<const Value::boolean_t&>() ? "true" : "false";
            return true;
        case Value::value_t::number_integer:
            return integer(value.get_ref<const Value::number_integer_t&>());
        case Value::value_t::number_unsigned:
            return integer(value.get_ref<const Value::number_unsigned_t&>());
        case Value::value_t::number_float:
            return number(value.get_ref<const Value::number_float_t&>());
        case Value::value_t::string:
            string(value.get_ref<const Value::string_t&>());
            return true;
        case Value::value_t::array:
            return array(value.get_ref<const Value::array_t&>(), depth + 1);
        case Value::value_t::object:
            return object(value.get_ref<const Value::object_t&>(), depth + 1);
        case Value::value_t::binary:
        case Value::value_t::discarded:
            return false; // no JSON text for these
        }
        return false;
    }

  private:
    template <typename Integer>
    bool integer(Integer number) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        m_out.append(buffer, result.ptr);
        return result.ec == std::errc{};
    }

    bool number(double number) { return appendNumber(m_out, number); }

    void string(std::string_view text) { appendString(m_out, text, m_options); }

    bool array(const Value::array_t& elements, int depth) {
        if (depth > Limits::maxJSONDepth) {
            return false;
        }
        if (elements.empty()) {
            m_out += "[]";
            return true;
        }
        m_out += '[';
        bool first = true;
        for (const Value& element : elements) {
            separator(first, depth);
            if (!value(element, depth)) {
                return false;
            }
        }
        close(']', depth);
        return true;
    }

    bool object(const Value::object_t& members, int depth) {
        if (depth > Limits::maxJSONDepth) {
            return false;
        }
        if (members.empty()) {
            m_out += "{}";
            return true;
        }
        m_out += '{';
        bool first = true;
        for (const auto& [key, member] : members) {
            separator(first, depth);
            string(key);
            m_out += m_options.pretty ? " : " : ":";
            if (!value(member, depth)) {
                return false;
            }
        }
        close('}', depth);
        return true;
    }

    /// What goes before an element or member: a comma after the first, and in pretty mode a
    /// line break with two spaces per level.
    void separator(bool& first, int depth) {
        if (!first) {
            m_out += ',';
        }
        first = false;
        if (m_options.pretty) {
            m_out += '\n';
            m_out.append(static_cast<std::size_t>(depth) * 2, ' ');
        }
    }

    void close(char bracket, int depth) {
        if (m_options.pretty) {
            m_out += '\n';
            m_out.append(static_cast<std::size_t>(depth - 1) * 2, ' ');
        }
        m_out += bracket;
    }

    std::string& m_out;
    WriteOptions m_options;
};

} // namespace

std::optional<Value> parse(std::string_view text) {
    // The parser's lexer takes a NUL for the end of the text, so "[1,2]" NUL "garbage" would
    // pass. No JSON text holds a raw NUL (not as white space, not unescaped in a string), so
    // one anywhere is a syntax error.
    if (text.find('\0') != std::string_view::npos || opensBadly(text) || nestsTooDeep(text)) {
        return std::nullopt;
    }
    try {
        Value value = Value::parse(text.data(), text.data() + text.size(), nullptr,
                                   /*allow_exceptions=*/false);
        if (value.is_discarded()) {
            return std::nullopt;
        }
        return value;
    } catch (...) {
        // Only allocation failure can get here; no exception leaves a public function.
        return std::nullopt;
    }
}

std::optional<std::string> write(const Value& value, WriteOptions options) {
    try {
        std::string out;
        // Growth by doubling keeps appends amortised; this only skips the first few steps.
        out.reserve(256);
        if (!Writer(out, options).value(value, 0)) {
            return std::nullopt;
        }
        return out;
    } catch (...) {
        return std::nullopt;
    }
}

void appendString(std::string& out, std::string_view text, WriteOptions options) {
    out += '"';
    appendEscaped(out, text, options);
    out += '"';
}

void appendEscaped(std::string& out, std::string_view text, WriteOptions options) {
    // Values are meant to hold valid UTF-8; if one does not, the output still must.
    if (!Unicode::isValidUTF8(text)) {
        appendValidEscaped(out, Unicode::toValidUTF8(text), options.escapeSlashes);
        return;
    }
    appendValidEscaped(out, text, options.escapeSlashes);
}

bool appendNumber(std::string& out, double number) {
    if (!std::isfinite(number)) {
        return false; // JSON has no spelling for these
    }
    if (number == 0) {
        out += '0'; // -0 too
        return true;
    }
    // The shortest digits that read back to the same double (0.95, never 0.94999999999999996),
    // as d.ddde±x; then laid out as ECMAScript's Number::toString does (RFC 8785): plain from
    // 1e-6 up to below 1e21, exponent form beyond.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number), std::chars_format::scientific);
    if (result.ec != std::errc{}) {
        return false;
    }
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits(1, scientific.front());
    if (e > 1) {
        digits.append(scientific.substr(2, e - 2));
    }
    int exponent = 0;
    std::from_chars(scientific.data() + e + 2, result.ptr, exponent);
    if (scientific[e + 1] == '-') {
        exponent = -exponent;
    }
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1; // the decimal point sits after n digits
    if (number < 0) {
        out += '-';
    }
    if (k <= n && n <= 21) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out.append(digits, 0, static_cast<std::size_t>(n));
        out += '.';
        out.append(digits, static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {
        out += digits.front();
        if (k > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    }
    return true;
}

} // namespace orvel::JSON
