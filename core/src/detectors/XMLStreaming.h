#pragma once

#include <string_view>

#include <libxml/tree.h>

namespace orvel {

/// What a streaming parse reports: each node once it is complete, in document order, with its
/// depth (0 for the document's own children). Elements are reported at both their tags.
class NodeVisitor {
public:
    virtual ~NodeVisitor() = default;
    virtual void startTag(const xmlNode& element, int depth) = 0;
    virtual void endTag(const xmlNode& element, int depth) = 0;
    /// Text, CDATA, an entity reference, a comment, a processing instruction or the document type.
    virtual void leaf(xmlNode& node, int depth) = 0;
};

/// Parses `document` with libxml2 and hands each node to `visitor` as it completes, holding no
/// more of the tree than the open elements and the node in hand. The parse never touches the
/// network or the file system. False when the document is not well-formed.
bool parseStreaming(std::string_view document, NodeVisitor& visitor);

} // namespace orvel
