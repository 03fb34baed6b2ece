#include <unistd.h>

#include <cstdio>

#include <fmt/format.h>

#include "Commands.h"
#include "InputReader.h"
#include "TerminalRenderer.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelJSON.h"

namespace orvel::cli {
namespace {

// Below this size a scan is over before progress would be worth showing.
constexpr std::size_t kProgressFromBytes = std::size_t{4} << 20;

Scanner::Progress progressOnTerminal(std::size_t inputBytes) {
    if (inputBytes < kProgressFromBytes || isatty(STDERR_FILENO) != 1) return {};
    return [](std::size_t examined, std::size_t total) {
        const std::size_t percent = total == 0 ? 100 : examined * 100 / total;
        fmt::print(stderr, "\rscanning… {:3}% of {} candidates", percent, total);
        if (examined == total) fmt::print(stderr, "\r\x1b[K");
        std::fflush(stderr);
    };
}

} // namespace

int scan(const ScanOptions& options) {
    const bool fromStandardInput = options.file == "-";
    std::optional<std::string> raw = fromStandardInput ? readStandardInput() : readFile(options.file);
    if (!raw) {
        fmt::print(stderr, "orvel: cannot read {}\n", fromStandardInput ? "standard input" : options.file);
        return kUsageError;
    }
    const std::string text = asValidText(std::move(*raw), fromStandardInput ? "standard input" : options.file);
    const std::vector<ScanFinding> findings = orvel::scan(text, progressOnTerminal(text.size()));

    const std::string document = options.json ? OrvelJSON::string(findings) + "\n"
                                               : renderFindings(findings, styleForStandardOutput());
    std::fwrite(document.data(), 1, document.size(), stdout);
    return findings.empty() ? kNothingFound : kFound;
}

} // namespace orvel::cli
