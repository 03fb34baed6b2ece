// Fuzzes the engine and checks its rules on every input, not only that it does not crash.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "Require.h"
#include "orvel/Orvel.h"
#include "orvel/Unicode.h"
#include "text/Text.h"

using orvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const orvel::DecodeChain chain = orvel::inspect(bytes);

    // The chain keeps its input untrimmed (invalid UTF-8 arrives repaired).
    require(chain.input ==
            (orvel::Unicode::isValidUTF8(bytes) ? std::string(bytes) : orvel::Unicode::toValidUTF8(bytes)));
    require(std::cmp_less_equal(chain.steps.size(), orvel::ChainEngine::standardMaxDepth));
    std::string examined(orvel::Text::trimmed(chain.input));
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const orvel::DecodeResult& step = chain.steps[i];
        require(step.confidence >= 0.0 && step.confidence <= 1.0);
        require(orvel::Unicode::isValidUTF8(step.output));
        // Only the last step may be terminal; every other step must change the text it examined.
        if (step.terminal)
            require(i + 1 == chain.steps.size());
        else
            require(!orvel::Unicode::canonicallyEqual(step.output, examined));
        examined = step.output;
    }
    return 0;
}
