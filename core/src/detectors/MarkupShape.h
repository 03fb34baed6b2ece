#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace orvel {

/// Whose reading of a document's markup to follow. libxml2 reads XML as the standard defines it.
/// libplist has a lax reader of its own: only double quotes quote, a double-quoted stretch hides
/// "?>" inside a processing instruction, and a document type declaration ends at its first '['
/// or '>'. A document read one way can nest thousands of levels deep read the other way.
enum class MarkupReader { libxml2, libplist };

/// What a document's markup asks of the parser that will read it, measured by one linear pass
/// over its tags before that parser sees it. The pass follows the reader's own rules for where
/// tags, quoted values, comments, CDATA sections and processing instructions end, so the parser
/// never meets a tag the pass did not count. The pass stops where the reader stops: at the first
/// construct that does not end, or at a tag holding a '<' or closing more than is open.
struct MarkupShape {
    std::size_t elements = 0;
    /// Elements, attributes, comments, processing instructions and CDATA sections together.
    std::size_t nodes = 0;
    /// Attributes on the fullest start tag; every quoted value in a tag counts as one.
    std::size_t attributesPerTag = 0;
    /// Namespace declarations on the elements open at one time, at most.
    std::size_t namespacesInScope = 0;

    /// The shape of `document` as `reader` reads it, or nothing when elements nest deeper than
    /// `maxDepth` or a document type declaration makes libxml2 do work its text does not show.
    static std::optional<MarkupShape> of(std::string_view document, MarkupReader reader, std::size_t maxDepth);
};

} // namespace orvel
