// Fuzzes the YAML detector: what it accepts is a canonical JSON document, which the JSON reader
// reads back and the canonical writer renders unchanged.
#include <cstdint>
#include <string_view>

#include "Require.h"
#include "detectors/YAMLDetector.h"
#include "text/JSONUtil.h"

using orvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!orvel::Unicode::isValidUTF8(text)) return 0; // the engine repairs text before detectors
    const auto result = orvel::YAMLDetector().decode(text);
    orvel::fuzzing::requireWellFormed(result, orvel::DetectionKind::yaml);
    if (result) {
        const auto again = orvel::JSONUtil::prettyPrinted(result->output);
        require(again && again->pretty == result->output);
    }
    return 0;
}
