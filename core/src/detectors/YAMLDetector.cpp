#include "detectors/YAMLDetector.h"

#include <algorithm>

#include "text/Text.h"
#include "yaml/YAML.h"

namespace orvel {
namespace {

// Every top-level line is a "key: value" pair or a "- item", so a document with neither a colon
// nor a line that opens with a dash is no YAML. Most texts offered are of that sort, and this
// is cheaper than splitting them into lines.
bool mayBeBlockYAML(std::string_view document) {
    if (document.find(':') != std::string_view::npos) return true;
    for (std::size_t lineStart = 0; lineStart < document.size();) {
        const std::size_t first = document.find_first_not_of(" \t", lineStart);
        if (first == std::string_view::npos) return false;
        if (document[first] == '-') return true;
        lineStart = document.find('\n', first);
        if (lineStart == std::string_view::npos) return false;
        ++lineStart;
    }
    return false;
}

} // namespace

std::optional<DecodeResult> YAMLDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    const std::string_view document = Text::trimmed(text);
    // JSON and XML have detectors of their own; a YAML reading of them would only be worse.
    if (document.empty() || document.starts_with('{') || document.starts_with('[') || document.starts_with('<') ||
        !mayBeBlockYAML(document)) {
        return std::nullopt;
    }
    auto preprocessed = YAML::preprocess(document);
    if (!preprocessed || preprocessed->lines.empty()) return std::nullopt;
    const auto& lines = preprocessed->lines;

    const std::size_t topIndent = std::ranges::min(lines, {}, &YAML::Line::indent).indent;
    std::size_t topLines = 0;
    bool nested = false;
    for (const YAML::Line& line : lines) {
        if (line.indent > topIndent) {
            nested = true;
        } else {
            if (!YAML::isSequenceLine(line.text) && !YAML::splitMapping(line.text)) return std::nullopt;
            ++topLines;
        }
    }
    // One flat "key: value" line is ordinary prose far more often than YAML, unless a document
    // marker says otherwise.
    if (!nested && topLines < 2 && !preprocessed->sawMarker) return std::nullopt;

    std::size_t position = 0;
    const auto value = YAML::parseBlock(lines, position);
    if (!value || !(value->is_array() || value->is_object())) return std::nullopt;
    // The lines are done with; a long document's take a good part of its size.
    preprocessed.reset();
    auto json = JSON::write(*value, {.pretty = true, .escapeSlashes = false});
    if (!json) return std::nullopt;

    const bool sequence = value->is_array();
    const std::string shape = sequence ? "sequence" : "mapping";
    const std::string entries = std::to_string(value->size());
    const std::string noun = std::string(sequence ? "item" : "key") + (value->size() == 1 ? "" : "s");
    return DecodeResult{
        .kind = DetectionKind::yaml,
        .output = std::move(*json),
        .confidence = YAMLDetector::kConfidence,
        .summary = "YAML " + shape + " → JSON (" + entries + " " + noun + ")",
        .details = {{"shape", shape}, {"entries", entries}, {"normalized", "json"}},
        .terminal = true,
    };
}

std::vector<TextShape> YAMLDetector::acceptedShapes() const {
    // A mapping or a sequence, and not JSON or XML.
    const ByteSet first = ~ByteSet("{[<");
    return {{.mustContain = ByteSet(":"), .firstBytes = first}, {.mustContain = ByteSet("-"), .firstBytes = first}};
}

} // namespace orvel
