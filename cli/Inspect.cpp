#include <cstdio>

#include <fmt/format.h>

#include "Commands.h"
#include "InputReader.h"
#include "TerminalRenderer.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelJSON.h"

namespace orvel::cli {

int inspect(const InspectOptions& options) {
    std::optional<std::string> raw = options.text == "-" ? readStandardInput() : options.text;
    if (!raw) {
        fmt::print(stderr, "orvel: cannot read standard input\n");
        return kUsageError;
    }
    const std::string text = asValidText(std::move(*raw), options.text == "-" ? "standard input" : "TEXT");
    const DecodeChain chain = orvel::inspect(text);

    const std::string document = options.json ? OrvelJSON::string(chain) + "\n"
                                               : renderChain(chain, styleForStandardOutput());
    std::fwrite(document.data(), 1, document.size(), stdout);
    return chain.isRecognized() ? kFound : kNothingFound;
}

} // namespace orvel::cli
