// Fuzzes the scanner: findings come in text order, never overlap, each stands on the line it
// reports, one thread finds exactly what three threads find, and a sink that stops the scan
// halfway has received exactly the first half.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "Require.h"
#include "orvel/Orvel.h"
#include "orvel/Unicode.h"

using orvel::fuzzing::require;

namespace {

/// The 1-based line of byte `offset`: a line feed ends a line unless it closes a CR LF, which
/// is one character and no line feed.
int lineAt(std::string_view text, std::size_t offset, std::size_t from, int line) {
    for (std::size_t i = from; i < offset; ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++line;
    return line;
}

// What a scan on `threads` threads hands over when its sink stops it at the `limit`th finding.
std::vector<orvel::ScanFinding> scanned(std::string_view text, unsigned threads,
                                        std::size_t limit = std::numeric_limits<std::size_t>::max()) {
    std::vector<orvel::ScanFinding> findings;
    const orvel::Scanner::Summary summary =
        orvel::scan(text,
                    [&](orvel::ScanFinding&& finding) {
                        findings.push_back(std::move(finding));
                        return findings.size() < limit ? orvel::Scanner::Next::keepGoing : orvel::Scanner::Next::stop;
                    },
                    {.threads = threads});
    require(summary.stopped == (findings.size() == limit));
    return findings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = orvel::Unicode::toValidUTF8(bytes);
    const std::vector<orvel::ScanFinding> findings = scanned(text, 1);
    require(findings == scanned(text, 3));
    if (findings.size() >= 2) {
        const std::size_t half = findings.size() / 2;
        require(scanned(text, 3, half) ==
                std::vector(findings.begin(), findings.begin() + static_cast<std::ptrdiff_t>(half)));
    }

    // Each finding is the first occurrence of its text, past the previous one, on its line.
    std::size_t from = 0;
    int line = 1;
    for (const orvel::ScanFinding& finding : findings) {
        require(!finding.matchedText.empty() && !finding.chain.steps.empty());
        std::size_t at = text.find(finding.matchedText, from);
        for (;; at = text.find(finding.matchedText, at + 1)) {
            require(at != std::string::npos);
            line = lineAt(text, at, from, line);
            from = at;
            require(line <= finding.line);
            if (line == finding.line) break;
        }
        line = lineAt(text, at + finding.matchedText.size(), at, line);
        from = at + finding.matchedText.size();
    }
    return 0;
}
