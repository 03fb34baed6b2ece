#include "orvel/Orvel.h"

#include "orvel/Limits.h"
#include "orvel/Unicode.h"

namespace orvel {

const ChainEngine& standardEngine() {
    static const ChainEngine engine(defaultDetectors(), 0.5, 12);
    return engine;
}

DecodeChain inspect(std::string_view text) {
    if (!Unicode::isValidUTF8(text)) return inspect(Unicode::toValidUTF8(text));
    if (text.size() > Limits::maxInspectBytes) return DecodeChain{std::string(text), {}};
    return standardEngine().inspect(text);
}

} // namespace orvel
