#include "detectors/XMLDetector.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include "detectors/MarkupShape.h"
#include "orvel/Limits.h"
#include "orvel/Text.h"

namespace orvel {
namespace {

/// Every external resource (DTD, external entity) is refused: a pasted document must never
/// make us read a local file or reach out to a server.
xmlParserInputPtr refuseExternalResource(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

/// libxml2 wants its global state set up once before any thread parses.
void prepareLibxml2() {
    static const bool prepared = [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalResource);
        return true;
    }();
    static_cast<void>(prepared);
}

/// Does libxml2's work on the document stay in proportion to its size? The pass sees every tag
/// libxml2 will parse, so it bounds the costs that grow faster than the text: attributes per
/// tag, nodes, namespaces in scope (see Limits).
bool withinParserBounds(std::string_view document) {
    const auto shape = MarkupShape::of(document, MarkupReader::libxml2, static_cast<std::size_t>(Limits::maxXMLDepth));
    return shape && shape->attributesPerTag <= Limits::maxXMLAttributes && shape->nodes <= Limits::maxXMLNodes &&
           shape->namespacesInScope <= Limits::maxXMLNamespaces;
}

/// The document handed to libxml2 a few kilobytes at a time, and nothing more once libxml2 has
/// found it ill-formed. Past a fatal error libxml2 reads on, building nothing, but from wherever
/// it stopped: inside a comment or a quoted value, say, where it may take for tags what the
/// pass skipped. Cut off there, it never parses more than a chunk the pass has not measured.
struct Feed {
    static constexpr std::size_t chunk = 4096;
    std::string_view rest;
    const xmlParserCtxt* context;

    static int read(void* state, char* buffer, int length) {
        auto& feed = *static_cast<Feed*>(state);
        if (feed.context->wellFormed == 0 || length <= 0) return 0;
        const std::size_t count = std::min({feed.rest.size(), static_cast<std::size_t>(length), chunk});
        std::memcpy(buffer, feed.rest.data(), count);
        feed.rest.remove_prefix(count);
        return static_cast<int>(count);
    }
};

struct ParserContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

std::string_view nodeText(const xmlChar* text) {
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

bool isBlankText(const xmlNode* node) {
    return node->type == XML_TEXT_NODE &&
           nodeText(node->content).find_first_not_of(" \t\r\n") == std::string_view::npos;
}

/// Drops the indentation between child elements so that the writer lays the document out
/// afresh (it keeps any element with text children exactly as it is). Only elements whose
/// text is all white space lose it; mixed content keeps every character. Iterative, and false
/// when elements nest deeper than Limits::maxXMLDepth.
bool dropIndentation(xmlNode* root) {
    std::vector<std::pair<xmlNode*, int>> pending{{root, 1}};
    while (!pending.empty()) {
        const auto [element, depth] = pending.back();
        pending.pop_back();
        if (depth > Limits::maxXMLDepth) return false;

        bool onlyBlankText = true;
        bool hasOtherChildren = false;
        for (xmlNode* child = element->children; child != nullptr; child = child->next) {
            if (child->type == XML_TEXT_NODE) {
                onlyBlankText = onlyBlankText && isBlankText(child);
            } else {
                hasOtherChildren = true;
            }
            if (child->type == XML_ELEMENT_NODE) pending.emplace_back(child, depth + 1);
        }
        if (!onlyBlankText || !hasOtherChildren) continue;
        for (xmlNode* child = element->children; child != nullptr;) {
            xmlNode* next = child->next;
            if (child->type == XML_TEXT_NODE) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            }
            child = next;
        }
    }
    return true;
}

std::string qualifiedName(const xmlNode* element) {
    const std::string_view local = nodeText(element->name);
    if (element->ns == nullptr || element->ns->prefix == nullptr || local.empty()) return std::string(local);
    return std::string(nodeText(element->ns->prefix)) + ":" + std::string(local);
}

/// The document written with two-space indentation and self-closing empty elements, in UTF-8;
/// with an XML declaration only when the input had one.
std::optional<std::string> prettyPrinted(xmlDoc* document, bool withDeclaration) {
    const std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
    if (!buffer) return std::nullopt;
    const int options = XML_SAVE_FORMAT | (withDeclaration ? 0 : XML_SAVE_NO_DECL);
    xmlSaveCtxtPtr saver = xmlSaveToBuffer(buffer.get(), "UTF-8", options);
    if (saver == nullptr) return std::nullopt;
    const long written = xmlSaveDoc(saver, document);
    if (xmlSaveClose(saver) < 0 || written < 0) return std::nullopt;
    std::string rendering(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                          static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    while (rendering.ends_with('\n')) rendering.pop_back();
    if (rendering.empty()) return std::nullopt;
    return rendering;
}

} // namespace

std::optional<DecodeResult> XMLDetector::decode(std::string_view text) const {
    const std::string_view document = Text::trimmed(text);
    if (!document.starts_with('<')) return std::nullopt;
    if (document.find("<plist") != std::string_view::npos ||
        document.find("<!DOCTYPE plist") != std::string_view::npos) {
        return std::nullopt;
    }
    if (!withinParserBounds(document)) return std::nullopt;

    prepareLibxml2();
    const std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) return std::nullopt;
    // White space is kept as written. No NOENT, DTDLOAD, XINCLUDE or HUGE: entities stay
    // references, no DTD is fetched, and libxml2's depth and amplification limits stay on.
    // The text is already Unicode, so a declared encoding must not re-decode it; errors are
    // ours to ignore, not libxml2's to print.
    const int options = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    Feed feed{document, context.get()};
    const std::unique_ptr<xmlDoc, DocumentDeleter> parsed(
        xmlCtxtReadIO(context.get(), &Feed::read, nullptr, &feed, nullptr, "UTF-8", options));
    if (!parsed || context->wellFormed == 0) return std::nullopt;

    xmlNode* root = xmlDocGetRootElement(parsed.get());
    if (root == nullptr) return std::nullopt;
    const std::string rootName = qualifiedName(root);
    if (rootName.empty()) return std::nullopt;
    std::size_t childElements = 0;
    for (const xmlNode* child = root->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) ++childElements;
    }

    if (!dropIndentation(root)) return std::nullopt;
    // libxml2 reads a declaration only at the very start: "<?xml" and a blank.
    const bool hadDeclaration = document.size() > 5 && document.starts_with("<?xml") &&
                                std::string_view(" \t\r\n").find(document[5]) != std::string_view::npos;
    auto rendering = prettyPrinted(parsed.get(), hadDeclaration);
    if (!rendering) return std::nullopt;

    const std::string count = std::to_string(childElements);
    return DecodeResult{
        .kind = DetectionKind::xml,
        .output = std::move(*rendering),
        .confidence = 0.9,
        .summary = "XML — root <" + rootName + ">, " + count + " child element" + (childElements == 1 ? "" : "s"),
        .details = {{"root", rootName}, {"childElements", count}},
        .terminal = true,
    };
}

} // namespace orvel
