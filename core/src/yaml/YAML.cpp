#include "yaml/YAML.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <locale.h>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "orvel/Limits.h"
#include "orvel/Unicode.h"
#include "text/Patterns.h"
#include "text/Text.h"

namespace orvel::YAML {
namespace {

// ICU's UTF-8 macro casts in C style; keep that inside this one reader. Valid UTF-8 in,
// a negative value for an ill-formed sequence.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
UChar32 scalarAt(std::string_view text, std::size_t& offset) {
    UChar32 scalar;
    auto position = static_cast<std::int32_t>(offset);
    U8_NEXT(text.data(), position, static_cast<std::int32_t>(text.size()), scalar);
    offset = static_cast<std::size_t>(position);
    return scalar;
}

UChar32 scalarBefore(std::string_view text, std::size_t& offset) {
    UChar32 scalar;
    auto position = static_cast<std::int32_t>(offset);
    U8_PREV(text.data(), 0, position, scalar);
    offset = static_cast<std::size_t>(position);
    return scalar;
}
#pragma GCC diagnostic pop

/// Tab or a space separator: the white space a line is trimmed of (line ends are not).
bool isBlank(UChar32 scalar) { return scalar == '\t' || (scalar >= 0 && u_charType(scalar) == U_SPACE_SEPARATOR); }

std::string_view trimmedOfBlanks(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        if (!isBlank(scalarAt(text, next))) break;
        begin = next;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t previous = end;
        if (!isBlank(scalarBefore(text, previous))) break;
        end = previous;
    }
    return text.substr(begin, end - begin);
}

/// Does the blank prefix of `piece` (the white space before its first other character) hold a tab?
bool indentationHasTab(std::string_view piece) {
    for (std::size_t offset = 0; offset < piece.size();) {
        const UChar32 scalar = scalarAt(piece, offset);
        if (scalar == '\t') return true;
        if (!isBlank(scalar)) return false;
    }
    return false;
}

/// `text` without trailing white space: every match of "\s+$" removed.
std::string_view withoutTrailingWhiteSpace(std::string_view text) {
    // Every white space character is either ASCII white space or not ASCII at all, so no match
    // starts before the last other ASCII byte. Matching only the tail after it keeps a long run
    // of inner blanks from being rescanned at every position.
    std::size_t tailStart = text.size();
    while (tailStart > 0) {
        const auto byte = static_cast<unsigned char>(text[tailStart - 1]);
        if (byte < 0x80 && std::string_view(" \t\n\v\f\r").find(static_cast<char>(byte)) == std::string_view::npos)
            break;
        --tailStart;
    }
    // The one match there can be runs to the end, so what is left is a prefix.
    const auto match = Patterns::compiled(Patterns::Id::trailingWhiteSpace).firstMatch(text.substr(tailStart));
    return match ? text.substr(0, tailStart + match->range.begin) : text;
}

/// Decimal text to a double, independent of the process locale (the desktop application sets
/// one whose decimal separator may be a comma). Overflow reads as an infinity, as it does for
/// the platform reader, and then fails the JSON writer.
std::optional<double> decimalDouble(const std::string& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale == locale_t{}) return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

using LineList = std::vector<const Line*>;

/// One past the last line that belongs to the line at `position` (deeper-indented followers).
std::size_t childrenEnd(const LineList& lines, std::size_t position) {
    const std::size_t indent = lines[position]->indent;
    std::size_t end = position + 1;
    while (end < lines.size() && lines[end]->indent > indent) ++end;
    return end;
}

/// The block parser. Every nested block is one more level of containers in the value, so the
/// recursion is cut at the JSON depth cap: deeper values could never be written anyway, and a
/// hostile indentation staircase cannot run the stack out.
class BlockReader {
public:
    std::optional<JSON::Value> block(const LineList& lines, std::size_t& position, int depth) {
        if (position >= lines.size()) return std::nullopt;
        if (depth > Limits::maxJSONDepth) {
            m_tooDeep = true;
            return std::nullopt;
        }
        return isSequenceLine(lines[position]->text) ? sequence(lines, position, depth)
                                                     : mapping(lines, position, depth);
    }

    bool tooDeep() const { return m_tooDeep; }

private:
    /// The value of the children [begin, end) of an entry without inline value: null for none.
    std::optional<JSON::Value> children(const LineList& lines, std::size_t begin, std::size_t end, int depth) {
        if (begin == end) return JSON::Value();
        std::size_t position = begin;
        auto value = block(lines, position, depth + 1);
        if (m_tooDeep) return std::nullopt;
        return value ? std::move(*value) : JSON::Value();
    }

    std::optional<JSON::Value> mapping(const LineList& lines, std::size_t& position, int depth) {
        const std::size_t indent = lines[position]->indent;
        auto result = JSON::Value::object();
        while (position < lines.size() && lines[position]->indent == indent) {
            auto entry = splitMapping(lines[position]->text);
            if (!entry) break;
            const std::size_t end = childrenEnd(lines, position);
            if (entry->value.empty()) {
                auto value = children(lines, position + 1, end, depth);
                if (!value) return std::nullopt;
                result[entry->key] = std::move(*value);
            } else {
                result[entry->key] = scalar(entry->value);
            }
            position = end;
        }
        return result;
    }

    std::optional<JSON::Value> sequence(const LineList& lines, std::size_t& position, int depth) {
        const std::size_t indent = lines[position]->indent;
        auto result = JSON::Value::array();
        while (position < lines.size() && lines[position]->indent == indent) {
            const std::string_view text = lines[position]->text;
            if (!isSequenceLine(text)) break;
            const std::string_view item = text == "-" ? std::string_view() : text.substr(2);
            const std::size_t end = childrenEnd(lines, position);
            if (item.empty()) {
                auto value = children(lines, position + 1, end, depth);
                if (!value) return std::nullopt;
                result.push_back(std::move(*value));
            } else if (splitMapping(item)) {
                // "- name: x" opens a mapping whose further keys are the indented lines below,
                // read as if the item stood two columns to the right.
                const Line head{indent + 2, item};
                LineList itemLines{&head};
                itemLines.insert(itemLines.end(), lines.begin() + static_cast<std::ptrdiff_t>(position + 1),
                                 lines.begin() + static_cast<std::ptrdiff_t>(end));
                std::size_t itemPosition = 0;
                auto value = block(itemLines, itemPosition, depth + 1);
                if (m_tooDeep) return std::nullopt;
                result.push_back(value ? std::move(*value) : JSON::Value());
            } else {
                result.push_back(scalar(item));
            }
            position = end;
        }
        return result;
    }

    bool m_tooDeep = false;
};

} // namespace

std::optional<Preprocessed> preprocess(std::string_view text) {
    Preprocessed result;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        start = end + 1;

        const std::string_view significant = trimmedOfBlanks(piece);
        if (significant.empty() || significant.starts_with('#')) continue;
        if (significant == "---" || significant == "...") {
            result.sawMarker = true;
            continue;
        }
        if (indentationHasTab(piece)) return std::nullopt;
        const std::size_t indent = std::min(piece.find_first_not_of(' '), piece.size());
        result.lines.push_back(Line{indent, withoutTrailingWhiteSpace(piece.substr(indent))});
    }
    return result;
}

bool isSequenceLine(std::string_view text) {
    return text == "-" || (text.starts_with("- ") && Unicode::isGraphemeBoundary(text, 2));
}

std::optional<KeyValue> splitMapping(std::string_view line) {
    bool inDouble = false;
    bool inSingle = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        // The syntax characters are ASCII; one joined to a combining mark is another character.
        if ((c != '"' && c != '\'' && c != ':') || !Unicode::isWholeCharacter(line, i)) continue;
        if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == ':' && !inDouble && !inSingle &&
                   (i + 1 == line.size() || (line[i + 1] == ' ' && Unicode::isWholeCharacter(line, i + 1)))) {
            const std::string_view key = Text::trimmedOfSpacesAndTabs(line.substr(0, i));
            if (key.empty()) return std::nullopt;
            return KeyValue{std::string(key), std::string(Text::trimmedOfSpacesAndTabs(line.substr(i + 1)))};
        }
    }
    return std::nullopt;
}

std::optional<JSON::Value> parseBlock(const std::vector<Line>& lines, std::size_t& position) {
    LineList all;
    all.reserve(lines.size());
    for (const Line& line : lines) all.push_back(&line);
    BlockReader reader;
    auto value = reader.block(all, position, 1);
    if (reader.tooDeep()) return std::nullopt;
    return value;
}

JSON::Value scalar(std::string_view text) {
    const std::string_view trimmed = Text::trimmedOfSpacesAndTabs(text);
    // A quote joined to a combining mark is another character and quotes nothing.
    if (trimmed.size() >= 2 && trimmed.front() == trimmed.back() &&
        (trimmed.front() == '"' || trimmed.front() == '\'') && Unicode::isWholeCharacter(trimmed, 0) &&
        Unicode::isWholeCharacter(trimmed, trimmed.size() - 1)) {
        return std::string(trimmed.substr(1, trimmed.size() - 2));
    }
    if (trimmed.empty() || trimmed == "~" || trimmed == "null" || trimmed == "Null" || trimmed == "NULL") {
        return JSON::Value();
    }
    if (trimmed == "true" || trimmed == "True" || trimmed == "TRUE") return true;
    if (trimmed == "false" || trimmed == "False" || trimmed == "FALSE") return false;
    if (const auto integer = Text::decimalInteger(trimmed)) return *integer;
    if (Patterns::compiled(Patterns::Id::yamlDecimal).matches(trimmed)) {
        if (const auto number = decimalDouble(std::string(trimmed))) return *number;
    }
    return std::string(trimmed);
}

} // namespace orvel::YAML
