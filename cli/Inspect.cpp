#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <fmt/format.h>

#include "ColumnCounter.h"
#include "Commands.h"
#include "FindingTable.h"
#include "InputReader.h"
#include "Painter.h"
#include "RiskRenderer.h"
#include "StandardOutput.h"
#include "TerminalRenderer.h"
#include "TextLayout.h"
#include "orvel/ExplanationRequest.h"
#include "orvel/FoundationModelExplainer.h"
#include "orvel/Limits.h"
#include "orvel/ModelSettings.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelJSON.h"
#include "orvel/Redaction.h"
#include "orvel/Risk.h"
#include "orvel/TemplateExplainer.h"

namespace orvel::cli {
namespace {

// `openssl x509 -in` has taught everyone to name the file: a TEXT that is not recognised but
// names a readable file was almost certainly meant as one.
void hintAtFileName(const std::string& text) {
    struct stat status {};
    if (text.find('\n') != std::string::npos || ::stat(text.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        ::access(text.c_str(), R_OK) != 0) {
        return;
    }
    const bool plain = text.find_first_of(" '\"\\$`*?[]{}()<>|&;!#~") == std::string::npos;
    fmt::print(stderr, "orvel: {} is a file name; use -f {} to inspect its contents\n", cli::quoted(text),
               plain ? text : cli::quoted(text));
}

// Headers, assignments and whole URLs are no artifact themselves but hold one: what a scan
// finds in them is shown instead of the bare "Not recognised", each with its secrets hidden when
// `redact` asks. Answers whether it found any.
bool renderFoundInside(const std::string& text, RenderStyle style, bool redact) {
    FindingTable table(style);
    if (!table.isReady()) return false;
    ColumnCounter columns(text);
    orvel::scan(text, [&](ScanFinding&& finding) {
        if (redact) {
            const Redactor redactor =
                Redactor::forChain(finding.chain, assess(finding.chain, currentRiskContext()).secrets);
            finding.matchedText = redactor.apply(finding.matchedText);
            finding.chain = redactor.apply(finding.chain);
        }
        table.add(finding, {}, columns.columnAt(finding.offset));
        return Scanner::Next::keepGoing;
    });
    if (table.count() == 0) return false;
    fmt::print(stdout, "{}\n", Painter(style.colour).heading("Not recognised as a whole; found inside:"));
    return table.write(stdout);
}

Input readInput(const InspectOptions& options, std::string& origin) {
    const std::string& path = options.file.empty() ? options.text : options.file;
    if (path == "-") {
        origin = "standard input";
        return readStandardInput(Limits::maxInspectBytes);
    }
    if (options.file.empty()) {
        origin = "TEXT";
        Input input;
        input.data = options.text;
        return input;
    }
    origin = cli::quoted(options.file);
    return readFile(options.file, Limits::maxInspectBytes);
}

} // namespace

int inspect(const InspectOptions& options) {
    std::string origin;
    Input raw = readInput(options, origin);
    if (raw.status == Input::Status::unreadable) {
        fmt::print(stderr, "orvel: cannot read {}: {}\n", origin, raw.reason);
        return kUsageError;
    }
    if (raw.status == Input::Status::tooLarge || raw.data.size() > Limits::maxInspectBytes) {
        fmt::print(stderr, "orvel: {} is too large (over {})\n", origin, sizeInWords(Limits::maxInspectBytes));
        return kUsageError;
    }
    const std::string text = asValidText(std::move(raw.data), origin);
    const DecodeChain decoded = orvel::inspect(text);
    if (!decoded.isRecognized() && origin == "TEXT") hintAtFileName(options.text);
    Assessment assessment = assessText(decoded, currentRiskContext());
    // Redaction changes what is printed, never the chain the risks were judged on.
    std::optional<DecodeChain> redacted;
    if (options.redact) {
        const Redactor redactor = Redactor::forChain(decoded, assessment.secrets);
        redacted = redactor.apply(decoded);
        for (Risk& risk : assessment.risks) risk.reason = redactor.apply(risk.reason);
    }
    const DecodeChain& chain = redacted ? *redacted : decoded;

    // Written as it is laid out: a large chain's rendering is several times its input.
    if (options.json) {
        OrvelJSON::write(chain, [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); });
        std::fputc('\n', stdout);
    } else if (options.prompt) {
        renderModelRequest(stdout, ExplanationRequest(chain));
    } else {
        const RenderStyle style = styleForStandardOutput(options.colour);
        if (chain.isRecognized() || !renderFoundInside(text, style, options.redact)) renderChain(stdout, chain, style);
        if (!assessment.risks.empty()) {
            fmt::print(stdout, "\n{}\n", Painter(style.colour).heading("Risks"));
            renderRisks(stdout, assessment.risks, style, 2);
        }
        // As in the desktop views, only a recognised chain is explained. A printed explanation is
        // final, so it is labelled by who actually wrote it: the model only when it answered.
        if (chain.isRecognized()) {
            std::optional<std::string> answer = FoundationModelExplainer().modelAnswer(chain);
            if (answer)
                renderExplanation(stdout, *answer, ExplainerSource::onDeviceAI, style);
            else
                renderExplanation(stdout, TemplateExplainer().explainSync(chain), ExplainerSource::deterministic,
                                  style);
        }
    }
    return StandardOutput::finish(chain.isRecognized() ? kFound : kNothingFound);
}

int explainStatus() {
    const ModelSettings settings = ModelSettings::load();
    const std::optional<std::string> reason = systemLanguageModel()->unavailabilityReason();
    if (settings.url.empty())
        fmt::print("Model server: not configured\n");
    else
        fmt::print("Model server: {}{}\n", TextLayout::oneLine(settings.shownUrl()),
                   settings.model.empty() ? "" : " (model " + TextLayout::oneLine(settings.model) + ")");
    fmt::print("{}\n", TextLayout::oneLine(explanationStatus(reason)));
    return StandardOutput::finish(reason ? kNothingFound : kFound);
}

} // namespace orvel::cli
