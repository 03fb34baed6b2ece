#include <cstdio>

#include <fmt/format.h>

#include "Commands.h"
#include "InputReader.h"
#include "TerminalRenderer.h"
#include "orvel/ExplanationRequest.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelExplain.h"
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

    std::string document;
    if (options.json) {
        document = OrvelJSON::string(chain) + "\n";
    } else if (options.prompt) {
        document = renderModelRequest(ExplanationRequest(chain));
    } else {
        const RenderStyle style = styleForStandardOutput();
        document = renderChain(chain, style);
        // As in the desktop views, only a recognised chain is explained; the label is decided
        // before asking, so a model's fallback to the templates keeps the label of the model.
        if (chain.isRecognized()) {
            const ExplainerSource source = OrvelExplain::currentSource();
            document += renderExplanation(OrvelExplain::explain(chain), source, style);
        }
    }
    std::fwrite(document.data(), 1, document.size(), stdout);
    return chain.isRecognized() ? kFound : kNothingFound;
}

} // namespace orvel::cli
