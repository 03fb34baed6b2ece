#include "Commands.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string_view>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "orvel/Clock.h"

namespace orvel::cli {
namespace {

// ORVEL_NOW pins the clock, as SOURCE_DATE_EPOCH pins a build's, so that relative times ("EXPIRED
// (3 days ago)") can be reproduced. A value that is not whole seconds is refused rather than
// ignored: output that silently followed the real clock would look pinned and drift.
bool pinClockFromEnvironment() {
    const char* value = std::getenv("ORVEL_NOW");
    if (value == nullptr || *value == '\0') return true;
    const std::string_view text(value);
    long long seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size()) {
        fmt::print(stderr, "orvel: ORVEL_NOW must be whole seconds since 1970, not \"{}\"\n", text);
        return false;
    }
    Clock::pin(static_cast<double>(seconds));
    return true;
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{
        "Orvel inspects tokens, encodings, certificates, hashes and structured text, entirely on this machine."};
    app.name("orvel");
    app.set_version_flag("--version", "orvel " ORVEL_VERSION);
    app.require_subcommand(1);
    app.footer("Environment: NO_COLOR turns colour off; ORVEL_NOW=SECONDS (whole seconds since 1970) pins the "
               "clock that expiry and relative times are measured against, for reproducible output.");

    InspectOptions inspectOptions;
    CLI::App* inspectCommand = app.add_subcommand("inspect", "Decode one text layer by layer");
    CLI::Option* jsonFlag =
        inspectCommand->add_flag("--json", inspectOptions.json, "Print the JSON export document of the chain");
    inspectCommand
        ->add_flag("--prompt", inspectOptions.prompt,
                   "Print the instructions and the prompt a language model would be given to explain the chain "
                   "(for example to pipe them to a local model)")
        ->excludes(jsonFlag);
    inspectCommand->add_option(
        "TEXT", inspectOptions.text,
        "The text to inspect; standard input when absent or \"-\" (put -- before a TEXT that starts with a dash)");
    inspectCommand->footer("Exit status: 0 when something was recognised, 1 when nothing was, 2 on usage errors, "
                           "unreadable or oversized input and output that cannot be written.");

    ScanOptions scanOptions;
    CLI::App* scanCommand = app.add_subcommand("scan", "Find and decode every artifact in a log or any longer text");
    scanCommand->add_flag("--json", scanOptions.json, "Print the JSON export document of the findings");
    scanCommand->add_option("FILE", scanOptions.file, "The file to scan; standard input when absent or \"-\"");
    scanCommand->footer("Exit status: 0 when something was found, 1 when nothing was, 2 on usage errors, unreadable or "
                        "oversized input and output that cannot be written.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        fmt::print(stderr, "orvel: {} (see orvel --help)\n", error.what());
        return kUsageError;
    }
    if (!pinClockFromEnvironment()) return kUsageError;

    if (inspectCommand->parsed()) return inspect(inspectOptions);
    if (scanCommand->parsed()) return scan(scanOptions);
    return kUsageError;
}

} // namespace

int run(int argc, char** argv) {
    // The one place a failure the commands do not handle themselves becomes a message; the
    // texts are fixed, since formatting one could need the memory that ran out.
    try {
        return parseAndRun(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("orvel: out of memory\n", stderr);
    } catch (const std::exception& error) {
        std::fputs("orvel: ", stderr);
        std::fputs(error.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
        std::fputs("orvel: unexpected failure\n", stderr);
    }
    return kUsageError;
}

} // namespace orvel::cli
