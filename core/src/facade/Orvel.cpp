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

std::optional<DecodeChain> inspect(std::string_view text, std::stop_token stop) {
    if (!Unicode::isValidUTF8(text)) return inspect(Unicode::toValidUTF8(text), std::move(stop));
    if (text.size() > Limits::maxInspectBytes) return DecodeChain{std::string(text), {}};
    return standardEngine().inspect(text, {.stop = std::move(stop)});
}

DecodeChain inspect(std::string_view text) { return *inspect(text, std::stop_token{}); }

std::vector<ScanFinding> scan(std::string_view text, const Scanner::Progress& progress) {
    if (!Unicode::isValidUTF8(text)) return scan(Unicode::toValidUTF8(text), progress);
    return standardScanner().scan(text, progress);
}

Scanner::Summary scan(std::string_view text, const Scanner::FindingSink& found, const ScanOptions& options) {
    if (!Unicode::isValidUTF8(text)) return scan(Unicode::toValidUTF8(text), found, options);
    // A scanner costs no more than a copy of the detector list, so a caller's own thread count
    // gets a scanner of its own.
    if (options.threads == 0) return standardScanner().scan(text, found, options.progress, options.stop);
    return Scanner(standardEngine(), {.threads = options.threads}).scan(text, found, options.progress, options.stop);
}

} // namespace orvel
