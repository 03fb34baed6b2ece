#include <cstdio>

#include <fmt/format.h>

#include "Commands.h"
#include "InputReader.h"
#include "TerminalRenderer.h"
#include "orvel/ExplanationRequest.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelExplain.h"
#include "orvel/OrvelJSON.h"

namespace orvel::cli {

int inspect(const InspectOptions& options) {
    const bool fromStandardInput = options.text == "-";
    Input raw = fromStandardInput ? readStandardInput(Limits::maxInspectBytes) : Input{.data = options.text};
    if (raw.status == Input::Status::unreadable) {
        fmt::print(stderr, "orvel: cannot read standard input\n");
        return kUsageError;
    }
    if (raw.status == Input::Status::tooLarge || raw.data.size() > Limits::maxInspectBytes) {
        fmt::print(stderr, "orvel: input too large (over {})\n", sizeInWords(Limits::maxInspectBytes));
        return kUsageError;
    }
    const std::string text = asValidText(std::move(raw.data), fromStandardInput ? "standard input" : "TEXT");
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
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        fmt::print(stderr, "orvel: cannot write the output\n");
        return kUsageError;
    }
    return chain.isRecognized() ? kFound : kNothingFound;
}

} // namespace orvel::cli
