#include "Commands.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "StandardOutput.h"
#include "orvel/Clock.h"

namespace orvel::cli {
namespace {

constexpr std::string_view kCommands = "inspect, scan, audit";

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

// The fewest one-character insertions, deletions and substitutions that turn `a` into `b`.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Every name an option of `command` answers to, with its dashes.
std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

// Refuses the first option `command` does not know, naming the nearest one it does. CLI11 would
// only say that the argument was not expected.
bool checkOptions(const CLI::App& command, const std::vector<std::string>& arguments) {
    const std::vector<std::string> known = optionNames(command);
    const std::string help =
        command.get_parent() == nullptr ? "orvel --help" : "orvel " + command.get_name() + " --help";
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument.size() < 2 || argument[0] != '-') continue;
        const std::string name = argument.substr(0, argument.find('='));
        // A cluster of short flags ("-Vh") is CLI11's to judge.
        if (name[1] != '-' && name.size() > 2) continue;
        if (std::find(known.begin(), known.end(), name) != known.end()) continue;
        std::optional<std::string> nearest;
        std::size_t best = std::max<std::size_t>(2, name.size() / 3) + 1;
        for (const std::string& candidate : known) {
            const std::size_t distance = editDistance(name, candidate);
            if (candidate.size() > 2 && distance < best) {
                best = distance;
                nearest = candidate;
            }
        }
        fmt::print(stderr, "orvel: unknown option '{}'{} (see {})\n", name,
                   nearest ? fmt::format("; did you mean {}?", *nearest) : "", help);
        return false;
    }
    return true;
}

std::optional<ColourChoice> colourChoice(std::string_view word) {
    if (word == "auto") return ColourChoice::automatic;
    if (word == "never") return ColourChoice::never;
    if (word == "always") return ColourChoice::always;
    fmt::print(stderr, "orvel: --color takes auto, never or always, not '{}'\n", word);
    return std::nullopt;
}

// A comma-separated list of kinds ("jwt,pem"), or absent after a message naming the kinds.
std::optional<std::set<DetectionKind>> kindList(const std::vector<std::string>& words, std::string_view flag) {
    std::set<DetectionKind> kinds;
    for (const std::string& word : words) {
        const std::optional<DetectionKind> kind = kindFromRawValue(word);
        if (!kind) {
            std::string all;
            for (const DetectionKind known : allDetectionKinds())
                all += fmt::format("{}{}", all.empty() ? "" : ", ", rawValue(known));
            fmt::print(stderr, "orvel: unknown kind '{}' in {}; the kinds are {}\n", word, flag, all);
            return std::nullopt;
        }
        kinds.insert(*kind);
    }
    return kinds;
}

// CLI11's help, with its labels in the program's words and no type after a name.
std::shared_ptr<CLI::Formatter> helpFormatter() {
    auto formatter = std::make_shared<CLI::Formatter>();
    formatter->label("SUBCOMMAND", "COMMAND");
    formatter->label("Positionals", "Arguments");
    formatter->column_width(26);
    return formatter;
}

// The words of the command line that name a colour choice or kinds, checked after parsing.
struct Words {
    std::string inspectColour = "auto";
    std::string scanColour = "auto";
    std::string auditColour = "auto";
    std::string failOn = "high";
    std::vector<std::string> kinds;
    std::vector<std::string> excludedKinds;
};

CLI::App* addInspect(CLI::App& app, InspectOptions& options, Words& words) {
    CLI::App* command = app.add_subcommand("inspect", "Decode one text layer by layer");
    command->group("Commands");
    command
        ->add_option("TEXT", options.text,
                     "The text to inspect; standard input when absent or \"-\" (put -- before a TEXT "
                     "that starts with a dash)")
        ->type_name("");
    command->add_option("-f,--file", options.file, "Inspect the contents of FILE")->type_name("FILE");
    command->add_flag("--json", options.json, "Print the JSON export document of the chain");
    command->add_flag("--prompt", options.prompt,
                      "Print the instructions and the prompt a language model would be given to explain "
                      "the chain (for example to pipe them to a local model)");
    command->add_flag("--explain-status", options.explainStatus,
                      "Say whether a local model server (ORVEL_MODEL_URL) is configured and available to "
                      "explain chains, and why not");
    command->add_flag("--redact", options.redact,
                      "Print token signatures, private key bodies, password-hash salts and digests and other "
                      "secrets as short fingerprints (sha256:1a2b3c4d…), for pasting into a ticket");
    command->add_option("--color", words.inspectColour, "Colour the output: auto (on a terminal), never or always")
        ->type_name("WHEN");
    command->footer("Exit status: 0 when something was recognised, 1 when nothing was, 2 on usage errors, "
                    "unreadable or oversized input and output that cannot be written.");
    return command;
}

CLI::App* addScan(CLI::App& app, ScanOptions& options, Words& words) {
    CLI::App* command = app.add_subcommand("scan", "Find and decode every artifact in logs or any longer text");
    command->group("Commands");
    command->add_option("FILE", options.files, "The files to scan; standard input when none or \"-\"")->type_name("");
    command->add_flag("--json", options.json, "Print the JSON export document of the findings");
    command->add_flag("--jsonl", options.jsonLines,
                      "Print each finding's record of the export document on a line of its own, as it is found");
    command->add_option("--kind", words.kinds, "Report only findings whose first step is of these kinds (jwt,pem…)")
        ->option_text("KINDS")
        ->delimiter(',')
        ->allow_extra_args(false);
    command->add_option("--exclude-kind", words.excludedKinds, "Leave out findings whose first step is of these kinds")
        ->option_text("KINDS")
        ->delimiter(',')
        ->allow_extra_args(false);
    command->add_flag("--binary", options.binary, "Scan files with NUL bytes too, instead of skipping them");
    command->add_option("--color", words.scanColour, "Colour the output: auto (on a terminal), never or always")
        ->type_name("WHEN");
    command->footer("Exit status: 0 when something was found, 1 when nothing was, 2 on usage errors, unreadable or "
                    "oversized input and output that cannot be written.");
    return command;
}

CLI::App* addAudit(CLI::App& app, AuditOptions& options, Words& words) {
    CLI::App* command = app.add_subcommand(
        "audit", "Judge what is wrong with an artifact, or with every artifact and credential in a file");
    command->group("Commands");
    command
        ->add_option("TARGET", options.target,
                     "The text to audit; with --scan, the file to scan; standard input when absent or \"-\". "
                     "A TEXT that also names a file is audited as text: use -f FILE or --scan to read the file")
        ->type_name("");
    command->add_option("-f,--file", options.file, "Audit the contents of FILE as one artifact")->type_name("FILE");
    command->add_flag("--scan", options.scan,
                      "Audit every artifact in a file (or standard input), with line and column, credentials "
                      "such as cloud and API keys among them, and a certificate bundle's chain order");
    command->add_flag("--json", options.json, "Print the audit document (docs/audit-document.md)");
    command
        ->add_option("--fail-on", words.failOn,
                     "Exit with status 3 when a risk at or above LEVEL is found: high "
                     "(the default), medium, low or info")
        ->type_name("LEVEL");
    command->add_flag("--redact", options.redact,
                      "Print token signatures, private key bodies, password-hash salts and digests and "
                      "credentials as short fingerprints (sha256:1a2b3c4d…)");
    command->add_option("--color", words.auditColour, "Colour the output: auto (on a terminal), never or always")
        ->type_name("WHEN");
    command->footer("Exit status: 3 when a risk at or above --fail-on is found, 0 when something was recognised "
                    "and no risk reaches it, 1 when nothing was recognised, 2 on usage errors, unreadable or "
                    "oversized input and output that cannot be written.");
    return command;
}

// Checks the command and the options before CLI11 does, to say what was meant rather than what
// was not expected.
bool checkCommandLine(const CLI::App& app, int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto command =
        std::find_if(arguments.begin(), arguments.end(), [](const std::string& a) { return !a.starts_with('-'); });
    if (command != arguments.end() && *command != "inspect" && *command != "scan" && *command != "audit") {
        fmt::print(stderr, "orvel: unknown command '{}'; the commands are {} (see orvel --help)\n", *command,
                   kCommands);
        return false;
    }
    return checkOptions(app, {arguments.begin(), command}) &&
           (command == arguments.end() ||
            checkOptions(*app.get_subcommand(*command), {std::next(command), arguments.end()}));
}

int runInspect(InspectOptions options, const Words& words, bool textGiven) {
    const std::optional<ColourChoice> colour = colourChoice(words.inspectColour);
    if (!colour) return kUsageError;
    options.colour = *colour;
    if (options.json && options.prompt) {
        fmt::print(stderr, "orvel: --json and --prompt cannot be used together\n");
        return kUsageError;
    }
    if (!options.file.empty() && textGiven) {
        fmt::print(stderr, "orvel: give TEXT or --file, not both\n");
        return kUsageError;
    }
    return options.explainStatus ? explainStatus() : inspect(options);
}

int runScan(ScanOptions options, const Words& words) {
    const std::optional<ColourChoice> colour = colourChoice(words.scanColour);
    const auto only = kindList(words.kinds, "--kind");
    const auto excluded = only ? kindList(words.excludedKinds, "--exclude-kind") : std::nullopt;
    if (!colour || !only || !excluded) return kUsageError;
    options.colour = *colour;
    options.filter = {*only, *excluded};
    if (options.json && options.jsonLines) {
        fmt::print(stderr, "orvel: --json and --jsonl cannot be used together\n");
        return kUsageError;
    }
    if (options.json && options.files.size() > 1) {
        fmt::print(stderr, "orvel: --json writes the document of one input; use --jsonl for several files\n");
        return kUsageError;
    }
    return scan(options);
}

int runAudit(AuditOptions options, const Words& words, bool targetGiven) {
    const std::optional<ColourChoice> colour = colourChoice(words.auditColour);
    if (!colour) return kUsageError;
    options.colour = *colour;
    const std::optional<RiskSeverity> failOn = severityFromName(words.failOn);
    if (!failOn) {
        fmt::print(stderr, "orvel: --fail-on takes high, medium, low or info, not '{}'\n", words.failOn);
        return kUsageError;
    }
    options.failOn = *failOn;
    if (!options.file.empty() && (targetGiven || options.scan)) {
        fmt::print(stderr, "orvel: give TEXT, --file or --scan FILE, not two of them\n");
        return kUsageError;
    }
    return audit(options);
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{
        "Orvel inspects tokens, encodings, certificates, hashes and structured text, entirely on this machine."};
    app.name("orvel");
    app.formatter(helpFormatter());
    app.set_version_flag("-V,--version", "orvel " ORVEL_VERSION, "Print the version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.require_subcommand(1);
    app.footer("Examples:\n"
               "  orvel inspect eyJhbGciOiJIUzI1NiJ9.e30.c2ln    decode a token given as an argument\n"
               "  orvel inspect -f cert.pem                      decode a file's contents\n"
               "  pbpaste | orvel inspect --json                 the JSON export of standard input\n"
               "  orvel scan app.log                             every artifact in a log\n"
               "  orvel scan --kind jwt,pem *.log                only tokens and PEM blocks, in several files\n"
               "  orvel scan --jsonl big.log | jq -c .           one JSON record a finding, as found\n"
               "  orvel audit --scan --fail-on medium app.log    risks and credentials; exit 3 from medium up\n"
               "\n"
               "Environment: NO_COLOR turns colour off; ORVEL_NOW=SECONDS (whole seconds since 1970) pins the "
               "clock that expiry and relative times are measured against, for reproducible output.\n"
               "See orvel COMMAND --help and man orvel.");
    InspectOptions inspectOptions;
    ScanOptions scanOptions;
    AuditOptions auditOptions;
    Words words;
    CLI::App* inspectCommand = addInspect(app, inspectOptions, words);
    CLI::App* scanCommand = addScan(app, scanOptions, words);
    CLI::App* auditCommand = addAudit(app, auditOptions, words);

    if (!checkCommandLine(app, argc, argv)) return kUsageError;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::RequiredError&) {
        fmt::print(stderr, "orvel: a command is needed: {} (see orvel --help)\n", kCommands);
        return kUsageError;
    } catch (const CLI::ParseError& error) {
        fmt::print(stderr, "orvel: {} (see orvel --help)\n", error.what());
        return kUsageError;
    }
    if (!pinClockFromEnvironment()) return kUsageError;
    StandardOutput::prepare();
    if (inspectCommand->parsed()) return runInspect(inspectOptions, words, inspectCommand->count("TEXT") > 0);
    if (scanCommand->parsed()) return runScan(scanOptions, words);
    return runAudit(auditOptions, words, auditCommand->count("TARGET") > 0);
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
