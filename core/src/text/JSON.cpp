#include "text/JSON.h"

#include "orvel/Limits.h"
#include "orvel/Unicode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // Byte tests rather than searches for sets: this runs on every bracketed stretch of a log.
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const auto isNumberByte = [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
    };
    const auto skip = [&](std::size_t at, const auto& over) {
        while (at < text.size() && over(text[at])) ++at;
        return at;
    };
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::size_t open = skip(0, isBlank);
    if (open == text.size() || (text[open] != '[' && text[open] != '{')) {
        return false;
    }
    const std::size_t first = skip(open + 1, isBlank);
    if (first == text.size()) {
        return true;
    }
    const char c = text[first];
    if (text[open] == '{') {
        return c != '"' && c != '}';
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
        // A number is made of these characters alone, and a delimiter follows it.
        const std::size_t next = skip(skip(first, isNumberByte), isBlank);
        return next == text.size() || (text[next] != ',' && text[next] != ']');
    }
    return c != '[' && c != '{' && c != '"' && c != ']' && c != 't' && c != 'f' && c != 'n';
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

// The bytes appendCheckedEscaped must look at: those it escapes, and those above ASCII. With and
// without "/" among them.
constexpr std::array<std::array<bool, 256>, 2> kNoticed = [] {
    std::array<std::array<bool, 256>, 2> noticed{};
    for (std::size_t slashes = 0; slashes < 2; ++slashes) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            noticed[slashes][byte] = escapeTable[byte] != 0 || byte >= 0x80 || (slashes == 1 && byte == '/');
        }
    }
    return noticed;
}();

// Whether any of the eight bytes in `word` is one appendCheckedEscaped notices, each test the
// exact "some byte below n" or "some byte equal to c" of the bit tricks: most words of a text
// have none, and are skipped whole.
bool noticesAny(std::uint64_t word, bool escapeSlashes) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    const auto hasZero = [](std::uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
    return (word & kHighs) != 0 || ((word - kOnes * 0x20) & ~word & kHighs) != 0 || hasZero(word ^ (kOnes * '"')) ||
           hasZero(word ^ (kOnes * '\\')) || (escapeSlashes && hasZero(word ^ (kOnes * '/')));
}

// The first byte at or after `i` that appendCheckedEscaped notices, or the text's size: sixteen
// bytes at a time where there is SSE2 (as signed bytes, controls and bytes above ASCII alike are
// below the space), then eight, then one by one.
std::size_t nextNoticed(std::string_view text, std::size_t i, bool escapeSlashes) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i slash = _mm_set1_epi8(escapeSlashes ? '/' : '"');
    const __m128i space = _mm_set1_epi8(' ');
    for (; i + sizeof(__m128i) <= text.size(); i += sizeof(__m128i)) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i noticed =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, slash), _mm_cmplt_epi8(bytes, space)));
        if (const int mask = _mm_movemask_epi8(noticed); mask != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
    }
#endif
    for (std::uint64_t word = 0; i + sizeof word <= text.size(); i += sizeof word) {
        std::memcpy(&word, text.data() + i, sizeof word);
        if (noticesAny(word, escapeSlashes)) break;
    }
    const std::array<bool, 256>& noticed = kNoticed[escapeSlashes ? 1 : 0];
    while (i < text.size() && !noticed[static_cast<unsigned char>(text[i])]) ++i;
    return i;
}

// Where the escaped text goes when the room for it is already made: a string takes its bytes
// through calls that check its capacity, which cost more than short texts' copies.
struct Cursor {
    char* at;
    void append(std::string_view bytes) {
        std::memcpy(at, bytes.data(), bytes.size());
        at += bytes.size();
    }
    void append(const char* bytes, std::size_t size) { append(std::string_view(bytes, size)); }
    void operator+=(char byte) { *at++ = byte; }
};

// Appends `text` escaped, checking its UTF-8 on the way: a text is valid when each of its runs
// of bytes above ASCII is valid on its own, and only those runs need the check. False, having
// appended part of the text, at the first invalid run.
template <typename Out>
bool appendCheckedEscaped(Out& out, std::string_view text, bool escapeSlashes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::size_t run = 0; // start of the bytes not yet appended, which need no escape
    for (std::size_t i = 0;; ++i) {
        i = nextNoticed(text, i, escapeSlashes);
        if (i == text.size()) break;
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            std::size_t end = i + 1;
            while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
            if (!Unicode::isValidUTF8(text.substr(i, end - i))) return false;
            i = end - 1;
            continue;
        }
        const char escape = byte == '/' ? '/' : escapeTable[byte];
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
    return true;
}

// The writer walks any tree that offers the type of a node, its scalar, and its children in
// order: the elements of an array, and the members of an object by ascending key, one per key.
// Two trees offer them, a Value and the compact Document below.

/// A Value, whose object map already holds one member per key in ascending order.
class ValueTree {
public:
    using Node = const Value*;

    static Value::value_t type(Node node) { return node->type(); }
    static bool boolean(Node node) { return node->get_ref<const Value::boolean_t&>(); }
    static std::int64_t integer(Node node) { return node->get_ref<const Value::number_integer_t&>(); }
    static std::uint64_t unsignedInteger(Node node) { return node->get_ref<const Value::number_unsigned_t&>(); }
    static double number(Node node) { return node->get_ref<const Value::number_float_t&>(); }
    static std::string_view string(Node node) { return node->get_ref<const Value::string_t&>(); }

    /// Calls `visit` on each element until it returns false; false if it did.
    template <typename Visit>
    static bool elements(Node node, Visit&& visit) {
        return std::ranges::all_of(node->get_ref<const Value::array_t&>(),
                                   [&](const Value& element) { return visit(&element); });
    }
    /// Calls `visit` with each member's key and value until it returns false; false if it did.
    template <typename Visit>
    static bool members(Node node, Visit&& visit) {
        return std::ranges::all_of(node->get_ref<const Value::object_t&>(), [&](const auto& member) {
            return visit(std::string_view(member.first), &member.second);
        });
    }
};

/// A document as reformat() reads it: every node in document order as a type byte and a 64-bit
/// word, and the text of every string and key in one buffer behind a length. A Value spends
/// 16 bytes on a node and a heap block on every string and container, about 100 bytes on an
/// object member; here a member costs 18 bytes and its key's text.
class Document {
public:
    using Node = std::size_t;

    Value::value_t type(Node node) const { return m_types[node]; }
    bool boolean(Node node) const { return m_words[node] != 0; }
    std::int64_t integer(Node node) const { return std::bit_cast<std::int64_t>(m_words[node]); }
    std::uint64_t unsignedInteger(Node node) const { return m_words[node]; }
    double number(Node node) const { return std::bit_cast<double>(m_words[node]); }
    std::string_view string(Node node) const {
        std::size_t at = m_words[node];
        std::size_t length = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(m_text[at++]);
            length |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if (byte < 0x80) break;
        }
        return std::string_view(m_text).substr(at, length);
    }

    template <typename Visit>
    bool elements(Node node, Visit&& visit) const {
        for (Node element = node + 1; element < m_words[node]; element = next(element)) {
            if (!visit(element)) return false;
        }
        return true;
    }
    template <typename Visit>
    bool members(Node node, Visit&& visit) const {
        // Each member is its key's node followed by its value's.
        std::vector<std::pair<std::string_view, Node>> byKey;
        for (Node key = node + 1; key < m_words[node]; key = next(key + 1)) byKey.emplace_back(string(key), key + 1);
        // Sorted stably, a repeated key's last value comes last, and that one is kept, as
        // parse() keeps it.
        std::ranges::stable_sort(byKey, {}, &std::pair<std::string_view, Node>::first);
        for (std::size_t i = 0; i < byKey.size(); ++i) {
            if (i + 1 < byKey.size() && byKey[i].first == byKey[i + 1].first) continue;
            if (!visit(byKey[i].first, byKey[i].second)) return false;
        }
        return true;
    }

    /// Builds a document from the parser's events (nlohmann's SAX interface).
    class Builder {
    public:
        explicit Builder(Document& document) : m_document(document) {}

        bool null() { return add(Value::value_t::null, 0); }
        bool boolean(bool value) { return add(Value::value_t::boolean, value ? 1 : 0); }
        bool number_integer(Value::number_integer_t value) {
            return add(Value::value_t::number_integer, std::bit_cast<std::uint64_t>(value));
        }
        bool number_unsigned(Value::number_unsigned_t value) { return add(Value::value_t::number_unsigned, value); }
        bool number_float(Value::number_float_t value, const Value::string_t&) {
            return add(Value::value_t::number_float, std::bit_cast<std::uint64_t>(value));
        }
        bool string(Value::string_t& text) { return add(Value::value_t::string, store(text)); }
        bool key(Value::string_t& text) { return string(text); }
        bool binary(Value::binary_t&) { return false; } // JSON text has no binary values
        bool start_object(std::size_t) { return open(Value::value_t::object); }
        bool end_object() { return close(); }
        bool start_array(std::size_t) { return open(Value::value_t::array); }
        bool end_array() { return close(); }
        bool parse_error(std::size_t, const std::string&, const Value::exception&) { return false; }

    private:
        bool add(Value::value_t type, std::uint64_t word) {
            m_document.m_types.push_back(type);
            m_document.m_words.push_back(word);
            return true;
        }
        // A container's word is where the nodes after its last descendant begin, filled in
        // when it closes.
        bool open(Value::value_t type) {
            m_open.push_back(m_document.m_types.size());
            return add(type, 0);
        }
        bool close() {
            m_document.m_words[m_open.back()] = m_document.m_words.size();
            m_open.pop_back();
            return true;
        }
        std::uint64_t store(std::string_view text) {
            std::string& buffer = m_document.m_text;
            const std::uint64_t at = buffer.size();
            std::size_t length = text.size();
            for (; length >= 0x80; length >>= 7) buffer += static_cast<char>((length & 0x7F) | 0x80);
            buffer += static_cast<char>(length);
            buffer += text;
            return at;
        }

        Document& m_document;
        std::vector<Node> m_open; // the containers not yet closed
    };

private:
    /// The node after `node` and its descendants.
    Node next(Node node) const {
        const Value::value_t type = m_types[node];
        return type == Value::value_t::array || type == Value::value_t::object ? m_words[node] : node + 1;
    }

    std::vector<Value::value_t> m_types;
    std::vector<std::uint64_t> m_words; // the scalar, a string's place in m_text, a container's end
    std::string m_text;
};

template <typename Tree>
class Writer {
public:
    using Node = typename Tree::Node;

    Writer(const Tree& tree, std::string& out, WriteOptions options) : m_tree(tree), m_out(out), m_options(options) {}

    /// Appends `node`, nested in `depth` enclosing containers; false when it cannot be written.
    bool value(Node node, int depth) {
        switch (m_tree.type(node)) {
        case Value::value_t::null:
            m_out += "null";
            return true;
        case Value::value_t::boolean:
            m_out += m_tree.boolean(node) ? "true" : "false";
            return true;
        case Value::value_t::number_integer:
            return integer(m_tree.integer(node));
        case Value::value_t::number_unsigned:
            return integer(m_tree.unsignedInteger(node));
        case Value::value_t::number_float:
            return appendNumber(m_out, m_tree.number(node));
        case Value::value_t::string:
            appendString(m_out, m_tree.string(node), m_options);
            return true;
        case Value::value_t::array:
            return array(node, depth + 1);
        case Value::value_t::object:
            return object(node, depth + 1);
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

    bool array(Node node, int depth) {
        if (depth > Limits::maxJSONDepth) {
            return false;
        }
        m_out += '[';
        bool empty = true;
        const bool written = m_tree.elements(node, [&](Node element) {
            separator(empty, depth);
            return value(element, depth);
        });
        close(']', empty, depth);
        return written;
    }

    bool object(Node node, int depth) {
        if (depth > Limits::maxJSONDepth) {
            return false;
        }
        m_out += '{';
        bool empty = true;
        const bool written = m_tree.members(node, [&](std::string_view key, Node member) {
            separator(empty, depth);
            appendString(m_out, key, m_options);
            m_out += m_options.pretty ? " : " : ":";
            return value(member, depth);
        });
        close('}', empty, depth);
        return written;
    }

    /// What goes before an element or member: a comma after the first, and in pretty mode a
    /// line break with two spaces per level.
    void separator(bool& empty, int depth) {
        if (!empty) {
            m_out += ',';
        }
        empty = false;
        if (m_options.pretty) {
            m_out += '\n';
            m_out.append(static_cast<std::size_t>(depth) * 2, ' ');
        }
    }

    /// An empty container closes on its own line.
    void close(char bracket, bool empty, int depth) {
        if (m_options.pretty && !empty) {
            m_out += '\n';
            m_out.append(static_cast<std::size_t>(depth - 1) * 2, ' ');
        }
        m_out += bracket;
    }

    const Tree& m_tree;
    std::string& m_out;
    WriteOptions m_options;
};

template <typename Tree>
std::optional<std::string> written(const Tree& tree, typename Tree::Node root, WriteOptions options) {
    std::string out;
    // Growth by doubling keeps appends amortised; this only skips the first few steps.
    out.reserve(256);
    if (!Writer<Tree>(tree, out, options).value(root, 0)) {
        return std::nullopt;
    }
    return out;
}

/// The checks before the parser runs. The parser's lexer takes a NUL for the end of the text,
/// so "[1,2]" NUL "garbage" would pass; no JSON text holds a raw NUL (not as white space, not
/// unescaped in a string), so one anywhere is a syntax error.
bool worthParsing(std::string_view text) {
    return !opensBadly(text) && text.find('\0') == std::string_view::npos && !nestsTooDeep(text);
}

} // namespace

std::optional<Value> parse(std::string_view text) {
    if (!worthParsing(text)) {
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
        return written(ValueTree{}, &value, options);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> reformat(std::string_view text, WriteOptions options) {
    if (!worthParsing(text)) {
        return std::nullopt;
    }
    try {
        Document document;
        Document::Builder builder(document);
        if (!Value::sax_parse(text.data(), text.data() + text.size(), &builder)) {
            return std::nullopt;
        }
        return written(document, Document::Node{0}, options);
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
    const std::size_t before = out.size();
    if (appendCheckedEscaped(out, text, options.escapeSlashes)) return;
    // Values are meant to hold valid UTF-8; if one does not, the output still must.
    out.resize(before);
    appendCheckedEscaped(out, Unicode::toValidUTF8(text), options.escapeSlashes);
}

char* writeEscaped(char* out, std::string_view text, WriteOptions options) {
    Cursor cursor{out};
    if (appendCheckedEscaped(cursor, text, options.escapeSlashes)) return cursor.at;
    // A byte of ill-formed UTF-8 becomes U+FFFD, three bytes that need no escape.
    cursor.at = out;
    appendCheckedEscaped(cursor, Unicode::toValidUTF8(text), options.escapeSlashes);
    return cursor.at;
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
