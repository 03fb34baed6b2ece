// Fuzzes the xml detector with large inputs, so that deep and wide documents are reachable:
// it must answer well-formed or decline, never crash, overflow the stack or hang.
#include <cstdint>
#include <string_view>

#include "Require.h"
#include "detectors/XMLDetector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!orvel::Unicode::isValidUTF8(text)) return 0; // the engine repairs text before detectors
    orvel::fuzzing::requireWellFormed(orvel::XMLDetector().decode(text), orvel::DetectionKind::xml);
    return 0;
}
