#include "detectors/MarkupShape.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace orvel {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kBlanks = " \t\r\n";

/// One past a terminator of `length` characters found at `at`; npos when it was not found.
std::size_t after(std::size_t at, std::size_t length) { return at == npos ? npos : at + length; }

/// Where `terminator` first occurs from `from` on outside stretches enclosed in one of `quotes`;
/// npos when it does not, or when a quote is never closed.
std::size_t findOutsideQuotes(std::string_view text, std::size_t from, std::string_view terminator,
                              std::string_view quotes) {
    if (quotes.empty()) return text.find(terminator, from);
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text.substr(i).starts_with(terminator)) return i;
        if (quotes.find(text[i]) != npos) {
            i = text.find(text[i], i + 1);
            if (i == npos) return npos;
        }
    }
    return npos;
}

/// Where the first of `stops` occurs from `from` on outside quoted values (in single or double
/// quotes), each of which must satisfy `acceptable`; npos when there is none or a value is
/// refused or never closed.
template <class Acceptable>
std::size_t findStop(std::string_view text, std::size_t from, std::string_view stops, Acceptable acceptable) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (stops.find(text[i]) != npos) return i;
        if (text[i] != '"' && text[i] != '\'') continue;
        const std::size_t close = text.find(text[i], i + 1);
        if (close == npos || !acceptable(text.substr(i + 1, close - i - 1))) return npos;
        i = close;
    }
    return npos;
}

/// Is a quoted value in a document type declaration plain text? An entity's value is parsed
/// where the entity is used, so markup or a reference in it would be read out of the pass's
/// sight; a character reference is plain unless it spells '<' or '&', which turn back into
/// markup and references there.
bool plainLiteral(std::string_view value) {
    if (value.find('<') != npos) return false;
    for (std::size_t amp = value.find('&'); amp != npos; amp = value.find('&', amp + 1)) {
        std::size_t digits = amp + 2;
        if (digits > value.size() || value[amp + 1] != '#') return false;
        const bool hex = digits < value.size() && value[digits] == 'x';
        if (hex) ++digits;
        const std::size_t semicolon = value.find(';', digits);
        if (semicolon == npos) return false;
        unsigned long code = 0;
        const char* last = value.data() + semicolon;
        const auto [end, error] = std::from_chars(value.data() + digits, last, code, hex ? 16 : 10);
        if (error != std::errc() || end != last || code == '<' || code == '&') return false;
    }
    return true;
}

/// One past the document type declaration at `at` as libxml2 reads it; npos when it does not
/// end, or when its internal subset declares attribute defaults, refers to parameter entities
/// or gives an entity a value that is not plain text. Each lets a few bytes of declaration make
/// libxml2 work where the pass does not look: a default joins every start tag of its element,
/// a parameter entity is read in as more declarations, an entity's markup is parsed where used.
std::size_t libxml2DocumentTypeEnd(std::string_view text, std::size_t at) {
    std::size_t i = findStop(text, at + 9, "[<>", plainLiteral);
    if (i == npos || text[i] == '<') return npos;
    if (text[i] == '>') return i + 1;
    for (++i;;) { // the internal subset
        i = text.find_first_not_of(kBlanks, i);
        if (i == npos) return npos;
        const std::string_view rest = text.substr(i);
        if (rest.starts_with(']')) {
            i = text.find_first_not_of(kBlanks, i + 1);
            return i != npos && text[i] == '>' ? i + 1 : npos;
        }
        if (rest.starts_with("<!--")) {
            i = after(text.find("-->", i + 4), 3);
        } else if (rest.starts_with("<?")) {
            i = after(text.find("?>", i + 2), 2);
        } else if (rest.starts_with("<!ENTITY") || rest.starts_with("<!ELEMENT") || rest.starts_with("<!NOTATION")) {
            const std::size_t close = findStop(text, i + 2, "<>", plainLiteral);
            i = close != npos && text[close] == '>' ? close + 1 : npos;
        } else if (rest.starts_with("<!ATTLIST")) {
            // Attributes may be declared, but without default values.
            const std::size_t close = text.find_first_of("<>\"'", i + 2);
            i = close != npos && text[close] == '>' ? close + 1 : npos;
        } else {
            return npos;
        }
        if (i == npos) return npos;
    }
}

/// One past the document type declaration at `at` as libplist reads it: to its first '[' or
/// '>' outside double quotes. npos when it does not end or has an internal subset, whose end
/// libplist finds by a rule of its own ("]>" outside double quotes, even inside a value).
std::size_t libplistDocumentTypeEnd(std::string_view text, std::size_t at) {
    for (std::size_t i = at + 9; i < text.size(); ++i) {
        if (text[i] == '>') return i + 1;
        if (text[i] == '[') return npos;
        if (text[i] == '"' && (i = text.find('"', i + 1)) == npos) return npos;
    }
    return npos;
}

/// A tag from its '<' to the first '>' outside quoted values, where libxml2 and libplist both
/// end it.
struct Tag {
    std::size_t end = npos; ///< one past its '>'; npos when a '<' or the end of the text comes first
    std::size_t attributes = 0;
    std::size_t namespaces = 0; ///< attributes named "xmlns" or "xmlns:" and a prefix
    bool closing = false;
    bool empty = false; ///< ends with "/>"
};

/// Does the stretch before a quoted value (` xmlns:p=`) name a namespace declaration?
bool namesNamespace(std::string_view lead) {
    const std::size_t last = lead.find_last_not_of(" \t\r\n=");
    if (last == npos) return false;
    lead = lead.substr(0, last + 1);
    const std::size_t blank = lead.find_last_of(kBlanks);
    const std::string_view name = blank == npos ? lead : lead.substr(blank + 1);
    return name == "xmlns" || name.starts_with("xmlns:");
}

Tag readTag(std::string_view text, std::size_t at, std::string_view quotes) {
    Tag tag{.closing = at + 1 < text.size() && text[at + 1] == '/'};
    std::size_t lead = at + 1; // where the stretch before the next quoted value begins
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '>') {
            tag.end = i + 1;
            tag.empty = text[i - 1] == '/';
            return tag;
        }
        if (c == '<') return tag;
        if (quotes.find(c) == npos) continue;
        const std::size_t close = text.find(c, i + 1);
        if (close == npos) return tag;
        ++tag.attributes;
        if (namesNamespace(text.substr(lead, i - lead))) ++tag.namespaces;
        i = close;
        lead = close + 1;
    }
    return tag;
}

} // namespace

std::optional<MarkupShape> MarkupShape::of(std::string_view document, MarkupReader reader, std::size_t maxDepth) {
    const bool lax = reader == MarkupReader::libplist;
    MarkupShape shape;
    std::vector<std::size_t> open; // namespace declarations on each open element
    std::size_t inScope = 0;
    for (std::size_t at = document.find('<'); at != npos;) {
        const std::string_view rest = document.substr(at);
        std::size_t end = npos;
        if (rest.starts_with("<!--")) {
            end = after(document.find("-->", at + 4), 3);
            ++shape.nodes;
        } else if (rest.starts_with("<![CDATA[")) {
            end = after(document.find("]]>", at + 9), 3);
            ++shape.nodes;
        } else if (rest.starts_with("<?")) {
            // Searched for from the '?', as libplist does, so "<?>" is a whole instruction.
            end = after(findOutsideQuotes(document, at + 1, "?>", lax ? "\"" : ""), 2);
            ++shape.nodes;
        } else if (rest.starts_with("<!DOCTYPE")) {
            end = lax ? libplistDocumentTypeEnd(document, at) : libxml2DocumentTypeEnd(document, at);
            if (end == npos) return std::nullopt;
        } else if (rest.starts_with("<!")) {
            break; // neither reader reads on past it
        } else {
            const Tag tag = readTag(document, at, lax ? "\"" : "\"'");
            if (tag.closing) {
                if (open.empty()) break;
                inScope -= open.back();
                open.pop_back();
            } else {
                ++shape.elements;
                shape.nodes += 1 + tag.attributes;
                shape.attributesPerTag = std::max(shape.attributesPerTag, tag.attributes);
                shape.namespacesInScope = std::max(shape.namespacesInScope, inScope + tag.namespaces);
                if (tag.end != npos && !tag.empty) {
                    if (open.size() == maxDepth) return std::nullopt;
                    open.push_back(tag.namespaces);
                    inScope += tag.namespaces;
                }
            }
            end = tag.end;
        }
        // A construct that does not end is where both readers stop too.
        if (end == npos) break;
        at = document.find('<', end);
    }
    return shape;
}

} // namespace orvel
