#include "orvel/OrvelJSON.h"

#include "orvel/JSON.h"

namespace orvel::OrvelJSON {
namespace {

constexpr JSON::WriteOptions kLayout{.pretty = true, .escapeSlashes = false};

// Lays out a record of known shape straight into text, exactly as the canonical writer would
// lay out the same value: pretty, two spaces a level. The callers name keys in ascending order.
// A scan exports hundreds of thousands of records, and building a value tree for each would
// cost more than deciding them.
class Layout {
public:
    Layout(std::string& out, int depth) : m_out(out), m_depth(depth) {}

    void open(char bracket) {
        m_out += bracket;
        ++m_depth;
        m_empty = true;
    }
    void close(char bracket) {
        --m_depth;
        if (!m_empty) lineBreak();
        m_out += bracket;
        m_empty = false;
    }
    void key(std::string_view name) {
        element();
        JSON::appendString(m_out, name, kLayout);
        m_out += " : ";
    }
    /// Starts the next element of an array.
    void element() {
        if (!m_empty) m_out += ',';
        m_empty = false;
        lineBreak();
    }
    void string(std::string_view text) { JSON::appendString(m_out, text, kLayout); }
    void integer(int number) { m_out += std::to_string(number); }
    void boolean(bool value) { m_out += value ? "true" : "false"; }
    bool number(double number) { return JSON::appendNumber(m_out, number); }

private:
    void lineBreak() {
        m_out += '\n';
        m_out.append(static_cast<std::size_t>(m_depth) * 2, ' ');
    }

    std::string& m_out;
    int m_depth;
    bool m_empty = false;
};

void shapeArray(Layout& layout, const DecodeChain& chain) {
    layout.open('[');
    for (const auto& step : chain.steps) {
        layout.element();
        layout.string(rawValue(step.kind));
    }
    layout.close(']');
}

bool stepRecord(Layout& layout, const DecodeResult& step) {
    layout.open('{');
    layout.key("confidence");
    if (!layout.number(step.confidence)) return false;
    layout.key("details");
    layout.open('{');
    for (const auto& [key, value] : step.details) {
        layout.key(key);
        layout.string(value);
    }
    layout.close('}');
    layout.key("kind");
    layout.string(rawValue(step.kind));
    layout.key("output");
    layout.string(step.output);
    layout.key("summary");
    layout.string(step.summary);
    layout.key("terminal");
    layout.boolean(step.terminal);
    layout.close('}');
    return true;
}

bool chainRecord(Layout& layout, const DecodeChain& chain) {
    layout.open('{');
    layout.key("finalValue");
    layout.string(chain.finalValue());
    layout.key("input");
    layout.string(chain.input);
    layout.key("recognized");
    layout.boolean(chain.isRecognized());
    layout.key("shape");
    shapeArray(layout, chain);
    layout.key("steps");
    layout.open('[');
    for (const auto& step : chain.steps) {
        layout.element();
        if (!stepRecord(layout, step)) return false;
    }
    layout.close(']');
    layout.close('}');
    return true;
}

} // namespace

std::string string(const DecodeChain& chain) {
    std::string document;
    Layout layout(document, 0);
    return chainRecord(layout, chain) ? document : "{}";
}

std::optional<std::string> findingElement(const ScanFinding& finding) {
    // Two levels deep in the document: inside its object and its "findings" array.
    std::string element(4, ' ');
    Layout layout(element, 2);
    layout.open('{');
    layout.key("chain");
    if (!chainRecord(layout, finding.chain)) return std::nullopt;
    layout.key("line");
    layout.integer(finding.line);
    layout.key("matchedText");
    layout.string(finding.matchedText);
    layout.key("shape");
    shapeArray(layout, finding.chain);
    layout.close('}');
    return element;
}

std::string scanDocumentHead(std::size_t count) {
    return "{\n  \"count\" : " + std::to_string(count) + ",\n  \"findings\" : [" + (count > 0 ? "\n" : "");
}

std::string scanDocumentTail(std::size_t count) { return count > 0 ? "\n  ]\n}" : "]\n}"; }

std::string string(const std::vector<ScanFinding>& findings) {
    std::string document = scanDocumentHead(findings.size());
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const auto element = findingElement(findings[i]);
        if (!element) return "{}";
        if (i > 0) document += ",\n";
        document += *element;
    }
    return document + scanDocumentTail(findings.size());
}

} // namespace orvel::OrvelJSON
