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
    const DecodeChain chain =
        orvel::inspect(asValidText(std::move(raw.data), fromStandardInput ? "standard input" : "TEXT"));

    // Written as it is laid out: a large chain's rendering is several times its input.
    if (options.json) {
        OrvelJSON::write(chain, [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); });
        std::fputc('\n', stdout);
    } else if (options.prompt) {
        renderModelRequest(stdout, ExplanationRequest(chain));
    } else {
        const RenderStyle style = styleForStandardOutput();
        renderChain(stdout, chain, style);
        // As in the desktop views, only a recognised chain is explained; the label is decided
        // before asking, so a model's fallback to the templates keeps the label of the model.
        if (chain.isRecognized()) {
            const ExplainerSource source = OrvelExplain::currentSource();
            renderExplanation(stdout, OrvelExplain::explain(chain), source, style);
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        fmt::print(stderr, "orvel: cannot write the output\n");
        return kUsageError;
    }
    return chain.isRecognized() ? kFound : kNothingFound;
}

} // namespace orvel::cli
