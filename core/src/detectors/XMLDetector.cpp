#include "detectors/XMLDetector.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <libxml/tree.h>

#include "detectors/MarkupShape.h"
#include "detectors/XMLStreaming.h"
#include "orvel/Limits.h"
#include "text/Text.h"

namespace orvel {
namespace {

/// Does libxml2's work on the document stay in proportion to its size? The pass sees every tag
/// libxml2 will parse, so it bounds the costs that grow faster than the text: attributes per
/// tag, nodes, namespaces in scope (see Limits).
bool withinParserBounds(std::string_view document) {
    const auto shape = MarkupShape::of(document, MarkupReader::libxml2, static_cast<std::size_t>(Limits::maxXMLDepth));
    return shape && shape->attributesPerTag <= Limits::maxXMLAttributes && shape->nodes <= Limits::maxXMLNodes &&
           shape->namespacesInScope <= Limits::maxXMLNamespaces;
}

std::string_view nodeText(const xmlChar* text) {
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

bool isText(const xmlNode& node) { return node.type == XML_TEXT_NODE; }

std::string qualifiedName(const xmlChar* name, const xmlNs* ns) {
    const std::string_view local = nodeText(name);
    if (ns == nullptr || ns->prefix == nullptr || local.empty()) return std::string(local);
    return std::string(nodeText(ns->prefix)) + ":" + std::string(local);
}

/// How one element is laid out. The indentation between child elements is dropped so that the
/// layout is made afresh; only elements whose text is all white space lose it, so mixed content
/// keeps every character. An element with text, CDATA or an entity reference among its children
/// is written as it stands, its whole subtree unindented.
struct ElementLayout {
    bool hasChildren = false;
    bool dropsText = false;
    bool indentsChildren = false;
};

/// The children of one open element, tallied as the first pass meets them.
struct ChildTally {
    std::size_t element;
    bool hasText = false;
    bool onlyBlankText = true;
    bool hasOthers = false;
    bool hasCDATAOrReference = false;

    void add(const xmlNode& child) {
        if (isText(child)) {
            hasText = true;
            onlyBlankText =
                onlyBlankText && nodeText(child.content).find_first_not_of(" \t\r\n") == std::string_view::npos;
            return;
        }
        hasOthers = true;
        hasCDATAOrReference =
            hasCDATAOrReference || child.type == XML_CDATA_SECTION_NODE || child.type == XML_ENTITY_REF_NODE;
    }

    ElementLayout layout() const {
        const bool dropsText = onlyBlankText && hasOthers;
        return {.hasChildren = hasText || hasOthers,
                .dropsText = dropsText,
                .indentsChildren = (dropsText || !hasText) && !hasCDATAOrReference};
    }
};

/// What the first pass learns: the root, and the layout of every element in document order.
/// An element's layout depends on all its children and its start tag comes before them, so the
/// writer needs it ahead.
struct DocumentShape {
    std::string rootName;
    std::size_t rootChildElements = 0;
    std::vector<ElementLayout> layouts;
};

/// The first pass: the root and the layout of every element.
class ShapeTally final : public NodeVisitor {
public:
    /// The shape, or nothing when elements nest deeper than Limits::maxXMLDepth.
    std::optional<DocumentShape> shape() && {
        if (m_tooDeep || m_shape.rootName.empty()) return std::nullopt;
        return std::move(m_shape);
    }

    void startTag(const xmlNode& element, int depth) override {
        m_tooDeep = m_tooDeep || depth >= Limits::maxXMLDepth;
        if (depth == 0) m_shape.rootName = qualifiedName(element.name, element.ns);
        if (depth == 1) ++m_shape.rootChildElements;
        if (!m_open.empty()) m_open.back().add(element);
        m_shape.layouts.emplace_back();
        m_open.push_back({.element = m_shape.layouts.size() - 1});
    }
    void endTag(const xmlNode&, int) override {
        m_shape.layouts[m_open.back().element] = m_open.back().layout();
        m_open.pop_back();
    }
    void leaf(xmlNode& node, int) override {
        if (!m_open.empty()) m_open.back().add(node);
    }

private:
    DocumentShape m_shape;
    std::vector<ChildTally> m_open;
    bool m_tooDeep = false;
};

/// The second pass: the document written one node at a time in libxml2's own layout (two-space
/// indentation for at most 30 levels, empty elements self-closing, its escapes), as XML
/// whatever its document type.
class LayoutWriter final : public NodeVisitor {
public:
    LayoutWriter(const DocumentShape& shape, bool withDeclaration)
        : m_layouts(shape.layouts), m_withDeclaration(withDeclaration) {}

    /// The rendering, or nothing when it is empty.
    std::optional<std::string> rendering() && {
        while (m_out.ends_with('\n')) m_out.pop_back();
        if (m_out.empty()) return std::nullopt;
        return std::move(m_out);
    }

    void startTag(const xmlNode& element, int depth) override {
        writeDeclarationOnce(element);
        const ElementLayout layout = m_layouts[m_elements++];
        m_open.push_back(layout);
        indent(depth);
        (m_out += '<') += qualifiedName(element.name, element.ns);
        for (const xmlNs* ns = element.nsDef; ns != nullptr; ns = ns->next) {
            if (ns->href == nullptr || nodeText(ns->prefix) == "xml") continue;
            m_out += ns->prefix == nullptr ? " xmlns=" : " xmlns:";
            if (ns->prefix != nullptr) (m_out += nodeText(ns->prefix)) += '=';
            appendQuoted(nodeText(ns->href));
        }
        for (const xmlAttr* attribute = element.properties; attribute != nullptr; attribute = attribute->next) {
            ((m_out += ' ') += qualifiedName(attribute->name, attribute->ns)) += "=\"";
            for (const xmlNode* part = attribute->children; part != nullptr; part = part->next) {
                if (part->type == XML_TEXT_NODE) appendEscaped(nodeText(part->content), true);
                if (part->type == XML_ENTITY_REF_NODE) appendReference(*part);
            }
            m_out += '"';
        }
        if (!layout.hasChildren) {
            m_out += "/>";
            endLine(depth);
            return;
        }
        m_out += '>';
        if (m_indenting && !layout.indentsChildren) {
            m_indenting = false;
            m_unindentedFrom = depth;
        }
        if (m_indenting) m_out += '\n';
    }

    void endTag(const xmlNode& element, int depth) override {
        const ElementLayout layout = m_open.back();
        m_open.pop_back();
        if (!layout.hasChildren) return; // written self-closing at its start tag
        indent(depth);
        ((m_out += "</") += qualifiedName(element.name, element.ns)) += '>';
        if (m_unindentedFrom == depth) {
            m_indenting = true;
            m_unindentedFrom = -1;
        }
        endLine(depth);
    }

    void leaf(xmlNode& node, int depth) override {
        writeDeclarationOnce(node);
        if (!m_open.empty() && m_open.back().dropsText && isText(node)) return;
        switch (node.type) {
        case XML_TEXT_NODE:
            appendEscaped(nodeText(node.content), false);
            break;
        // The parser never leaves "]]>" inside a section, so one section holds it all.
        case XML_CDATA_SECTION_NODE:
            ((m_out += "<![CDATA[") += nodeText(node.content)) += "]]>";
            break;
        case XML_ENTITY_REF_NODE:
            appendReference(node);
            break;
        case XML_COMMENT_NODE:
            indent(depth);
            if (node.content != nullptr) ((m_out += "<!--") += nodeText(node.content)) += "-->";
            break;
        case XML_PI_NODE:
            indent(depth);
            (m_out += "<?") += nodeText(node.name);
            if (node.content != nullptr) (m_out += ' ') += nodeText(node.content);
            m_out += "?>";
            break;
        case XML_DTD_NODE:
            appendDocumentType(node);
            break;
        default:
            break;
        }
        endLine(depth);
    }

private:
    static constexpr int maxIndentLevels = 30;

    /// The declaration, written once the parser has read it: before the first node.
    void writeDeclarationOnce(const xmlNode& node) {
        if (!std::exchange(m_withDeclaration, false) || node.doc == nullptr) return;
        m_out += "<?xml version=\"";
        m_out += node.doc->version == nullptr ? std::string_view("1.0") : nodeText(node.doc->version);
        m_out += "\" encoding=\"UTF-8\"";
        if (node.doc->standalone == 0) m_out += " standalone=\"no\"";
        if (node.doc->standalone == 1) m_out += " standalone=\"yes\"";
        m_out += "?>\n";
    }

    void indent(int depth) {
        if (depth > 0 && m_indenting) m_out.append(2 * static_cast<std::size_t>(std::min(depth, maxIndentLevels)), ' ');
    }

    /// A line feed after every node of the document itself, and after every node in an
    /// indented element.
    void endLine(int depth) {
        if (depth == 0 || m_indenting) m_out += '\n';
    }

    void appendReference(const xmlNode& reference) { ((m_out += '&') += nodeText(reference.name)) += ';'; }

    /// Text as libxml2 escapes it: markup characters and carriage returns in content, and in
    /// attribute values also quotes, tabs and line feeds, which would otherwise be normalised.
    void appendEscaped(std::string_view text, bool inAttribute) {
        for (const char c : text) {
            switch (c) {
            case '<':
                m_out += "&lt;";
                break;
            case '>':
                m_out += "&gt;";
                break;
            case '&':
                m_out += "&amp;";
                break;
            case '\r':
                m_out += "&#13;";
                break;
            case '"':
                m_out += inAttribute ? "&quot;" : "\"";
                break;
            case '\n':
                m_out += inAttribute ? "&#10;" : "\n";
                break;
            case '\t':
                m_out += inAttribute ? "&#9;" : "\t";
                break;
            default:
                m_out += c;
            }
        }
    }

    /// A namespace name quoted as libxml2 quotes it, unescaped: in single quotes when it holds
    /// a double quote, and with &quot; only when it holds both.
    void appendQuoted(std::string_view value) {
        if (value.find('"') == std::string_view::npos) {
            ((m_out += '"') += value) += '"';
        } else if (value.find('\'') == std::string_view::npos) {
            ((m_out += '\'') += value) += '\'';
        } else {
            m_out += '"';
            for (const char c : value) c == '"' ? m_out += "&quot;" : m_out += c;
            m_out += '"';
        }
    }

    /// The document type declaration with its internal subset, written by libxml2 itself: the
    /// declarations are kept as parsed structures, not text.
    void appendDocumentType(xmlNode& declaration) {
        const std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
        if (!buffer || xmlNodeDump(buffer.get(), declaration.doc, &declaration, 0, 1) < 0) return;
        m_out.append(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    }

    const std::vector<ElementLayout>& m_layouts;
    bool m_withDeclaration;
    std::size_t m_elements = 0;
    std::vector<ElementLayout> m_open;
    bool m_indenting = true;
    int m_unindentedFrom = -1;
    std::string m_out;
};

} // namespace

std::optional<DecodeResult> XMLDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view document = Text::trimmed(text);
    if (!document.starts_with('<')) return std::nullopt;
    if (document.find("<plist") != std::string_view::npos ||
        document.find("<!DOCTYPE plist") != std::string_view::npos) {
        return std::nullopt;
    }
    if (!withinParserBounds(document)) return std::nullopt;

    // Two streaming passes rather than one tree: a tree costs hundreds of bytes per element.
    ShapeTally tally;
    if (!parseStreaming(document, tally)) return std::nullopt;
    const auto shape = std::move(tally).shape();
    if (!shape) return std::nullopt;
    // libxml2 reads a declaration only at the very start: "<?xml" and a blank.
    const bool hadDeclaration = document.size() > 5 && document.starts_with("<?xml") &&
                                std::string_view(" \t\r\n").find(document[5]) != std::string_view::npos;
    LayoutWriter writer(*shape, hadDeclaration);
    if (!parseStreaming(document, writer)) return std::nullopt;
    auto rendering = std::move(writer).rendering();
    if (!rendering) return std::nullopt;

    const std::string count = std::to_string(shape->rootChildElements);
    return DecodeResult{
        .kind = DetectionKind::xml,
        .output = std::move(*rendering),
        .confidence = XMLDetector::kConfidence,
        .summary = "XML — root <" + shape->rootName + ">, " + count + " child element" +
                   (shape->rootChildElements == 1 ? "" : "s"),
        .details = {{"root", shape->rootName}, {"childElements", count}},
        .terminal = true,
    };
}

std::vector<TextShape> XMLDetector::acceptedShapes() const { return {{.firstBytes = ByteSet("<")}}; }

} // namespace orvel
