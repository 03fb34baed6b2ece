#include "orvel/OrvelJSON.h"

#include "orvel/JSON.h"

namespace orvel::OrvelJSON {
namespace {

JSON::Value chainRecord(const DecodeChain& chain) {
    JSON::Value shape = JSON::Value::array();
    JSON::Value steps = JSON::Value::array();
    for (const auto& step : chain.steps) {
        shape.push_back(rawValue(step.kind));
        JSON::Value details = JSON::Value::object();
        for (const auto& [key, value] : step.details) details[key] = value;
        steps.push_back({
            {"kind", rawValue(step.kind)},
            {"summary", step.summary},
            {"confidence", step.confidence},
            {"output", step.output},
            {"terminal", step.terminal},
            {"details", std::move(details)},
        });
    }
    return {
        {"input", chain.input},
        {"recognized", chain.isRecognized()},
        {"shape", std::move(shape)},
        {"finalValue", chain.finalValue()},
        {"steps", std::move(steps)},
    };
}

// The writer sorts keys, so declaration order above does not show in the output.
std::string encode(const JSON::Value& record) {
    return JSON::write(record, {.pretty = true, .escapeSlashes = false}).value_or("{}");
}

} // namespace

std::string string(const DecodeChain& chain) { return encode(chainRecord(chain)); }

std::optional<std::string> findingElement(const ScanFinding& finding) {
    JSON::Value chain = chainRecord(finding.chain);
    JSON::Value shape = chain["shape"];
    const JSON::Value record{
        {"line", finding.line},
        {"matchedText", finding.matchedText},
        {"shape", std::move(shape)},
        {"chain", std::move(chain)},
    };
    const auto written = JSON::write(record, {.pretty = true, .escapeSlashes = false});
    if (!written) return std::nullopt;
    // Two levels deep in the document. Strings hold no raw line feeds, so every line feed
    // starts a line of layout.
    std::string element = "    ";
    element.reserve(written->size() + written->size() / 8);
    for (const char c : *written) {
        element += c;
        if (c == '\n') element += "    ";
    }
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
