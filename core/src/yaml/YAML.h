#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/JSON.h"

// A deliberately small reader for block-style YAML as found in configuration files and
// manifests: block mappings, block sequences, plain and quoted scalars. Flow collections,
// anchors, tags, multi-line scalars and inline comments are not interpreted. Values come out
// JSON-shaped so that they render through the canonical JSON writer.
namespace orvel::YAML {

/// One significant line.
struct Line {
    std::size_t indent = 0; ///< leading spaces
    std::string_view text;  ///< without leading spaces and trailing white space; a view into the text read

    friend bool operator==(const Line&, const Line&) = default;
};

struct Preprocessed {
    std::vector<Line> lines;
    bool sawMarker = false; ///< a "---" or "..." line was skipped
};

/// The significant lines of `text` (blank and comment lines and document markers left out),
/// which must outlive them; absent when a tab occurs in any line's indentation.
std::optional<Preprocessed> preprocess(std::string_view text);

/// Is `text` a block sequence item: "-" alone, or a dash and a space first?
bool isSequenceLine(std::string_view text);

struct KeyValue {
    std::string key;
    std::string value; ///< may be empty
};

/// `line` split at its first colon outside quotes that ends the line or is followed by a
/// space; absent when there is none or the key is empty.
std::optional<KeyValue> splitMapping(std::string_view line);

/// The value of the block starting at `position`, which is left at the first line the block
/// did not consume. Absent when `position` is past the end, or when the value would nest
/// deeper than Limits::maxJSONDepth (it could not be written as JSON anyway).
std::optional<JSON::Value> parseBlock(const std::vector<Line>& lines, std::size_t& position);

/// A scalar: a quoted string taken verbatim, null, a Boolean, a 64-bit integer, a double, or
/// the trimmed text itself.
JSON::Value scalar(std::string_view text);

} // namespace orvel::YAML
