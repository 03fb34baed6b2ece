#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#if defined(__GLIBC__) // known once a C library header is in
#include <malloc.h>
#endif

#include <fmt/format.h>

#include "ColumnCounter.h"
#include "Commands.h"
#include "ExportOutput.h"
#include "FindingTable.h"
#include "InputReader.h"
#include "Painter.h"
#include "StandardOutput.h"
#include "TerminalRenderer.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "orvel/OrvelJSON.h"
#include "orvel/Unicode.h"

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

bool write(std::FILE* file, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// A line of the scanner's counting ends at a line feed that follows no carriage return, so a
// text whose every line ends in CR LF is one long line.
bool endsLinesWithCRLF(std::string_view text) {
    bool any = false;
    for (const char* p = text.data();
         (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p))); ++p) {
        if (p == text.data() || p[-1] != '\r') return false;
        any = true;
    }
    return any;
}

// A file name as it prefixes a finding: as it is, unless blanks or controls would make the
// line ambiguous.
std::string prefixName(const std::string& name) {
    if (name == "-") return "(standard input)";
    const bool plain = std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '\'' || c == '\\' || c == 0x7F;
    });
    return plain ? name : quoted(name);
}

std::string jsonString(std::string_view text) {
    std::string quotedText = "\"";
    for (const char c : Unicode::toValidUTF8(text)) {
        if (c == '"' || c == '\\') {
            quotedText += '\\';
            quotedText += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            quotedText += fmt::format("\\u{:04x}", static_cast<unsigned char>(c));
        } else {
            quotedText += c;
        }
    }
    return quotedText + "\"";
}

// One finding's record of the export document on one line: the document's layout with the
// blanks and line breaks between its tokens taken out (those inside strings are escaped), so
// every key and value is the document's byte for byte. With several inputs the record starts
// with the file it was found in.
std::string recordLine(const ScanFinding& finding, std::string_view fileName) {
    std::string line;
    bool inString = false;
    bool escaped = false;
    OrvelJSON::FindingWriter record([&](std::string_view piece) {
        for (const char c : piece) {
            if (inString) {
                inString = escaped || c != '"';
                escaped = !escaped && c == '\\';
            } else if (c == ' ' || c == '\n') {
                continue;
            } else {
                inString = c == '"';
            }
            line += c;
        }
    });
    record.add(finding);
    if (line.empty()) line = "{}"; // a record the export cannot write
    if (!fileName.empty()) line.insert(1, "\"file\":" + jsonString(fileName) + (line.size() > 2 ? "," : ""));
    line += '\n';
    return line;
}

} // namespace

int scan(const ScanOptions& options) {
#if defined(__GLIBC__)
    // A scan's large lists (candidates, bracket tables) are freed long before it ends. glibc
    // raises its mapping threshold past a block once one is freed and then keeps such blocks in
    // its heap, where their pages stay resident: at a fixed threshold each goes back when freed.
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
#endif
    const RenderStyle style = styleForStandardOutput(options.colour);
    const bool several = options.files.size() > 1;
    FindingTable table(style);
    std::optional<ExportOutput> output;
    if (options.json) output.emplace(stdout);
    if ((output && !output->isReady()) || !table.isReady()) {
        fmt::print(stderr, "orvel: cannot create a temporary file: {}\n", std::strerror(errno));
        return kUsageError;
    }
    OrvelJSON::FindingWriter document([&output](std::string_view piece) { output->body(piece); });

    bool failed = false;
    bool readAny = false;
    bool toldAboutCRLF = false;
    std::size_t reported = 0;
    std::size_t overTimeBudget = 0;
    for (const std::string& name : options.files) {
        const bool fromStandardInput = name == "-";
        const std::string origin = fromStandardInput ? "standard input" : quoted(name);
        Input raw = fromStandardInput ? readStandardInput(Limits::maxScanBytes) : readFile(name, Limits::maxScanBytes);
        if (raw.status != Input::Status::read) {
            if (raw.status == Input::Status::tooLarge) {
                fmt::print(stderr, "orvel: {} is too large (over {})\n", origin, sizeInWords(Limits::maxScanBytes));
            } else {
                fmt::print(stderr, "orvel: cannot read {}: {}\n", origin, raw.reason);
            }
            failed = true;
            continue;
        }
        if (!options.binary && looksBinary(raw.data)) {
            fmt::print(stderr, "orvel: {}: binary file, skipped (use --binary to scan it)\n", origin);
            continue;
        }
        const std::string text = asValidText(std::move(raw.data), origin);
        readAny = true;
        if (!toldAboutCRLF && endsLinesWithCRLF(text)) {
            fmt::print(stderr, "orvel: this text uses CR LF line ends; line numbers count them as one character, so "
                               "every finding is on line 1 (convert with dos2unix for per-line numbers)\n");
            toldAboutCRLF = true;
        }
        const std::string fileName = several ? prefixName(name) : std::string();
        ColumnCounter columns(text);
        const Scanner::Progress onTerminal = progressOnTerminal(text.size());
        const auto progress = [&](std::size_t examined, std::size_t total) {
            if (output) output->expect(document.count(), examined, total);
            if (onTerminal) onTerminal(examined, total);
        };
        const Scanner::Summary summary = orvel::scan(
            text,
            [&](ScanFinding&& finding) {
                if (!options.filter.admits(*finding.kind())) return Scanner::Next::keepGoing;
                ++reported;
                if (options.json) {
                    document.add(finding);
                } else if (options.jsonLines) {
                    // Streamed as found; a reader that has gone ends the scan.
                    if (!write(stdout, recordLine(finding, several ? name : "")) && StandardOutput::isClosedPipe()) {
                        return Scanner::Next::stop;
                    }
                } else {
                    table.add(finding, fileName, columns.columnAt(finding.offset));
                }
                return Scanner::Next::keepGoing;
            },
            {.progress = progress});
        overTimeBudget += summary.overTimeBudget;
        if (summary.stopped) break;
    }

    bool written = true;
    if (options.json) {
        written = output->finish(document);
        write(stdout, "\n");
    } else if (!options.jsonLines && (readAny || !failed)) {
        fmt::print(stdout, "{}\n", Painter(style.colour).heading(fmt::format("Found {} artifact(s)", table.count())));
        written = table.write(stdout);
    }
    if (!written && !StandardOutput::isClosedPipe()) {
        fmt::print(stderr, "orvel: cannot write the findings\n");
        return kUsageError;
    }
    if (overTimeBudget > 0) {
        fmt::print(stderr, "orvel: {} candidate{} skipped: over the time budget\n", overTimeBudget,
                   overTimeBudget == 1 ? "" : "s");
    }
    return StandardOutput::finish(failed ? kUsageError : reported == 0 ? kNothingFound : kFound);
}

} // namespace orvel::cli
