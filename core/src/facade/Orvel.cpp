#include "orvel/Orvel.h"

#include "orvel/Limits.h"
#include "orvel/Scanner.h"
#include "orvel/Unicode.h"
#include "text/Regex.h"

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
    const std::optional<ValidText> valid = ValidText::of(text);
    if (!valid) return inspect(Unicode::toValidUTF8(text), std::move(stop));
    if (text.size() > Limits::maxInspectBytes) return DecodeChain{std::string(text), {}};
    // Checked once here, the text is not checked again below.
    const TrustedText trust(*valid);
    return standardEngine().inspect(text, {.stop = std::move(stop)});
}

DecodeChain inspect(std::string_view text) { return *inspect(text, std::stop_token{}); }

std::vector<ScanFinding> scan(std::string_view text, const Scanner::Progress& progress) {
    const std::optional<ValidText> valid = ValidText::of(text);
    if (!valid) return scan(Unicode::toValidUTF8(text), progress);
    const TrustedText trust(*valid);
    return standardScanner().scan(text, progress);
}

Scanner::Summary scan(std::string_view text, const Scanner::FindingSink& found, const ScanOptions& options) {
    const std::optional<ValidText> valid = ValidText::of(text);
    if (!valid) return scan(Unicode::toValidUTF8(text), found, options);
    const TrustedText trust(*valid);
    // A scanner costs no more than a copy of the detector list, so a caller's own thread count
    // gets a scanner of its own.
    if (options.threads == 0) return standardScanner().scan(text, found, options.progress, options.stop);
    return Scanner(standardEngine(), {.threads = options.threads}).scan(text, found, options.progress, options.stop);
}

} // namespace orvel
