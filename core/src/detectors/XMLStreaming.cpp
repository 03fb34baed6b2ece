#include "detectors/XMLStreaming.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include <libxml/SAX2.h>
#include <libxml/parser.h>

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

// White space is kept as written. No NOENT, DTDLOAD, XINCLUDE or HUGE: entities stay references,
// no DTD is fetched, and libxml2's depth and amplification limits stay on. The text is already
// Unicode, so a declared encoding must not re-decode it; errors are ours to ignore, not
// libxml2's to print.
constexpr int parseOptions = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

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

/// libxml2's own parser and tree builder, with every node freed as soon as the visitor has seen
/// it, so that a parse holds the open elements and the text in hand rather than a tree costing
/// hundreds of bytes per element. The builder's callbacks are wrapped, not replaced, so the
/// nodes are exactly those of a whole tree. Entity contents, parsed on their own context while
/// declared entities are checked, pass straight through.
class StreamingParse {
public:
    static bool run(std::string_view document, NodeVisitor& visitor) {
        prepareLibxml2();
        const std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                                   xmlFreeParserCtxt);
        if (!context) return false;
        StreamingParse parse(*context, visitor);
        xmlSAXHandler& sax = *context->sax;
        sax.startElementNs = onStartTag;
        sax.endElementNs = onEndTag;
        sax.characters = onText;
        if (sax.ignorableWhitespace == xmlSAX2Characters) sax.ignorableWhitespace = onText;
        sax.cdataBlock = onCDATA;
        sax.reference = onReference;
        sax.comment = onComment;
        sax.processingInstruction = onProcessingInstruction;
        sax.internalSubset = onDocumentType;
        sax.endDocument = onEndDocument;
        context->_private = &parse;

        Feed feed{document, context.get()};
        const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> parsed(
            xmlCtxtReadIO(context.get(), &Feed::read, nullptr, &feed, nullptr, "UTF-8", parseOptions), xmlFreeDoc);
        return parsed && context->wellFormed != 0;
    }

private:
    StreamingParse(xmlParserCtxt& context, NodeVisitor& visitor) : m_context(context), m_visitor(visitor) {}

    /// This parse, when the callback comes from its own context.
    static StreamingParse* of(void* context) {
        auto* parserContext = static_cast<xmlParserCtxt*>(context);
        auto* parse = static_cast<StreamingParse*>(parserContext->_private);
        return parse != nullptr && &parse->m_context == parserContext ? parse : nullptr;
    }

    int openElements() const { return m_context.nodeNr; }

    /// Hands the node still growing (text, CDATA, the document type) to the visitor.
    void completePending() {
        if (m_pending == nullptr) return;
        xmlNode* node = std::exchange(m_pending, nullptr);
        m_visitor.leaf(*node, openElements());
        // The document type stays: its entities are looked up while the content is parsed.
        if (node->type != XML_DTD_NODE) release(node);
    }

    /// A node the visitor has seen, now unlinked and freed.
    static void release(xmlNode* node) {
        xmlUnlinkNode(node);
        xmlFreeNode(node);
    }

    /// Reports the node of `kind` a callback has just added, under the current element or the
    /// document itself, and frees it.
    void completeAdded(xmlElementType kind) {
        xmlNode* parent = m_context.node != nullptr ? m_context.node : reinterpret_cast<xmlNode*>(m_context.myDoc);
        if (parent == nullptr || parent->last == nullptr || parent->last->type != kind) return;
        m_visitor.leaf(*parent->last, openElements());
        release(parent->last);
    }

    static void onStartTag(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                           int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaultedCount,
                           const xmlChar** attributes) {
        StreamingParse* parse = of(context);
        if (parse != nullptr) parse->completePending();
        xmlSAX2StartElementNs(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
                              defaultedCount, attributes);
        if (parse != nullptr && parse->m_context.node != nullptr)
            parse->m_visitor.startTag(*parse->m_context.node, parse->openElements() - 1);
    }

    static void onEndTag(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri) {
        StreamingParse* parse = of(context);
        xmlNode* element = parse != nullptr ? parse->m_context.node : nullptr;
        if (element != nullptr) {
            parse->completePending();
            parse->m_visitor.endTag(*element, parse->openElements() - 1);
        }
        xmlSAX2EndElementNs(context, localName, prefix, uri);
        if (element != nullptr) release(element);
    }

    /// Text and CDATA grow while the parser hands them over in pieces, each kind joining the
    /// node before it when that is of the same kind; so a node is complete only when something
    /// else comes.
    static void onCharacters(void* context, const xmlChar* text, int length, xmlElementType kind) {
        StreamingParse* parse = of(context);
        if (parse != nullptr && parse->m_pending != nullptr && parse->m_pending->type != kind) parse->completePending();
        if (kind == XML_TEXT_NODE) {
            xmlSAX2Characters(context, text, length);
        } else {
            xmlSAX2CDataBlock(context, text, length);
        }
        if (parse == nullptr || parse->m_context.node == nullptr) return;
        xmlNode* last = parse->m_context.node->last;
        if (last != nullptr && last->type == kind) parse->m_pending = last;
    }
    static void onText(void* context, const xmlChar* text, int length) {
        onCharacters(context, text, length, XML_TEXT_NODE);
    }
    static void onCDATA(void* context, const xmlChar* text, int length) {
        onCharacters(context, text, length, XML_CDATA_SECTION_NODE);
    }

    static void onReference(void* context, const xmlChar* name) {
        StreamingParse* parse = of(context);
        if (parse != nullptr) parse->completePending();
        xmlSAX2Reference(context, name);
        if (parse != nullptr) parse->completeAdded(XML_ENTITY_REF_NODE);
    }

    /// Comments and processing instructions inside the document type belong to it.
    static void onComment(void* context, const xmlChar* text) {
        StreamingParse* parse = of(context);
        const bool inContent = parse != nullptr && parse->m_context.inSubset == 0;
        if (inContent) parse->completePending();
        xmlSAX2Comment(context, text);
        if (inContent) parse->completeAdded(XML_COMMENT_NODE);
    }

    static void onProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data) {
        StreamingParse* parse = of(context);
        const bool inContent = parse != nullptr && parse->m_context.inSubset == 0;
        if (inContent) parse->completePending();
        xmlSAX2ProcessingInstruction(context, target, data);
        if (inContent) parse->completeAdded(XML_PI_NODE);
    }

    static void onDocumentType(void* context, const xmlChar* name, const xmlChar* publicId, const xmlChar* systemId) {
        xmlSAX2InternalSubset(context, name, publicId, systemId);
        StreamingParse* parse = of(context);
        if (parse != nullptr && parse->m_context.myDoc != nullptr)
            parse->m_pending = reinterpret_cast<xmlNode*>(parse->m_context.myDoc->intSubset);
    }

    static void onEndDocument(void* context) {
        if (StreamingParse* parse = of(context)) parse->completePending();
        xmlSAX2EndDocument(context);
    }

    xmlParserCtxt& m_context;
    NodeVisitor& m_visitor;
    xmlNode* m_pending = nullptr;
};

} // namespace

bool parseStreaming(std::string_view document, NodeVisitor& visitor) { return StreamingParse::run(document, visitor); }

} // namespace orvel
