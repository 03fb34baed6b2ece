#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <fmt/format.h>

#include "Commands.h"
#include "InputReader.h"
#include "TerminalRenderer.h"
#include "orvel/Limits.h"
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

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool write(std::FILE* file, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// Sends the whole spill to `to`: through the kernel where it can (a large scan's export is
// several times the log), else through a buffer.
bool copy(std::FILE* from, std::FILE* to) {
    if (std::fflush(from) != 0 || std::fflush(to) != 0) return false;
    struct stat status {};
    if (fstat(fileno(from), &status) != 0) return false;
    off_t sent = 0;
    while (sent < status.st_size) {
        const ssize_t count =
            sendfile(fileno(to), fileno(from), &sent, static_cast<std::size_t>(status.st_size - sent));
        if (count <= 0) break;
    }
    if (sent == status.st_size) return true;
    if (fseeko(from, sent, SEEK_SET) != 0) return false;
    char buffer[1 << 16];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, from)) > 0;) {
        if (!write(to, {buffer, count})) return false;
    }
    return !std::ferror(from);
}

} // namespace

int scan(const ScanOptions& options) {
    const bool fromStandardInput = options.file == "-";
    Input raw =
        fromStandardInput ? readStandardInput(Limits::maxScanBytes) : readFile(options.file, Limits::maxScanBytes);
    if (raw.status == Input::Status::unreadable) {
        fmt::print(stderr, "orvel: cannot read {}\n", fromStandardInput ? "standard input" : options.file);
        return kUsageError;
    }
    if (raw.status == Input::Status::tooLarge) {
        fmt::print(stderr, "orvel: {} too large (over {})\n", fromStandardInput ? "input" : options.file,
                   sizeInWords(Limits::maxScanBytes));
        return kUsageError;
    }
    const std::string text = asValidText(std::move(raw.data), fromStandardInput ? "standard input" : options.file);

    // Both renderings open with the count, yet a large log's findings are too many to hold at
    // once: each is written to a spill file as it is settled, and the spill follows the heading.
    const File spill(std::tmpfile(), &std::fclose);
    if (!spill) {
        fmt::print(stderr, "orvel: cannot create a temporary file\n");
        return kUsageError;
    }
    const RenderStyle style = styleForStandardOutput();
    const std::size_t lineWidth = std::to_string(1 + std::count(text.begin(), text.end(), '\n')).size();
    std::size_t count = 0;
    bool spilled = true; // the spill file took everything
    const OrvelJSON::Sink toSpill = [&](std::string_view piece) { spilled = spilled && write(spill.get(), piece); };
    OrvelJSON::FindingWriter document(toSpill);
    const Scanner::Summary summary = orvel::scan(text,
                                                 [&](ScanFinding&& finding) {
                                                     if (options.json) {
                                                         document.add(finding);
                                                     } else {
                                                         toSpill(renderFindingLine(finding, lineWidth, style));
                                                     }
                                                     ++count;
                                                     return Scanner::Next::keepGoing;
                                                 },
                                                 {.progress = progressOnTerminal(text.size())});

    const auto copySpill = [&] { return spilled && copy(spill.get(), stdout); };
    bool written = true;
    if (options.json) {
        written = document.finish([](std::string_view piece) { write(stdout, piece); }, copySpill);
        write(stdout, "\n");
    } else {
        write(stdout, renderFindingsHeading(count, style));
        written = copySpill();
    }
    if (!written || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        fmt::print(stderr, "orvel: cannot write the findings\n");
        return kUsageError;
    }
    if (summary.overTimeBudget > 0) {
        fmt::print(stderr, "{} candidate{} skipped: over the time budget\n", summary.overTimeBudget,
                   summary.overTimeBudget == 1 ? "" : "s");
    }
    return count == 0 ? kNothingFound : kFound;
}

} // namespace orvel::cli
