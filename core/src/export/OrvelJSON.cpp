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

std::string string(const std::vector<ScanFinding>& findings) {
    JSON::Value list = JSON::Value::array();
    for (const auto& finding : findings) {
        JSON::Value chain = chainRecord(finding.chain);
        JSON::Value shape = chain["shape"];
        list.push_back({
            {"line", finding.line},
            {"matchedText", finding.matchedText},
            {"shape", std::move(shape)},
            {"chain", std::move(chain)},
        });
    }
    return encode({{"count", findings.size()}, {"findings", std::move(list)}});
}

} // namespace orvel::OrvelJSON
