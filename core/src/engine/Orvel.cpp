#include "orvel/Orvel.h"

#include "orvel/Limits.h"
#include "orvel/Scanner.h"
#include "orvel/Unicode.h"

namespace orvel {

const ChainEngine& standardEngine() {
    static const ChainEngine engine(defaultDetectors(), ChainEngine::standardThreshold, ChainEngine::standardMaxDepth);
    return engine;
}

namespace {

const Scanner& standardScanner() {
    static const Scanner scanner(standardEngine());
    return scanner;
}

} // namespace

DecodeChain inspect(std::string_view text) {
    if (!Unicode::isValidUTF8(text)) return inspect(Unicode::toValidUTF8(text));
    if (text.size() > Limits::maxInspectBytes) return DecodeChain{std::string(text), {}};
    return standardEngine().inspect(text);
}

std::vector<ScanFinding> scan(std::string_view text, const Scanner::Progress& progress) {
    if (!Unicode::isValidUTF8(text)) return scan(Unicode::toValidUTF8(text), progress);
    return standardScanner().scan(text, progress);
}

Scanner::Summary scan(std::string_view text, const Scanner::FindingSink& found, const Scanner::Progress& progress) {
    if (!Unicode::isValidUTF8(text)) return scan(Unicode::toValidUTF8(text), found, progress);
    return standardScanner().scan(text, found, progress);
}

} // namespace orvel
