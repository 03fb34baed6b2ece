// The orvel program at its limits: oversized input, output that cannot be written and memory
// that runs out each end in a message and exit 2; a reader that goes away ends it quietly. Every text it shows on
// ordinary input is in the golden corpus (tests/data/golden).
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "orvel/Limits.h"
#include "support/FakeModelServer.h"

namespace orvel {
namespace {

struct ProgramRun {
    int status = -1;
    std::string err;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Runs the program with `arguments` (already shell-quoted) and `input` on standard input,
// writing its standard output to `output`.
ProgramRun runOrvel(const std::string& arguments, const std::string& input = "",
                    const std::string& output = "/dev/null") {
    const auto dir = std::filesystem::temp_directory_path() / ("orvel-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in", std::ios::binary) << input;
    const std::string command = "'" ORVEL_CLI_PATH "' " + arguments + " < '" + (dir / "in").string() + "' > '" +
                                output + "' 2> '" + (dir / "err").string() + "'";
    const int raw = std::system(command.c_str());
    ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "err")};
    std::filesystem::remove_all(dir);
    return run;
}

TEST(Commands, OversizedInputFullOutputAndExhaustedMemoryExitTwoAndAClosedPipeQuietly) {
    EXPECT_EQ(runOrvel("inspect", std::string(Limits::maxInspectBytes, ' ')).status, 1);
    const ProgramRun over = runOrvel("inspect", std::string(Limits::maxInspectBytes + 1, ' '));
    EXPECT_EQ(over.status, 2);
    EXPECT_EQ(over.err, "orvel: standard input is too large (over 16 MiB)\n");

    // A file past the scan cap is refused before it is read (a sparse one takes no room).
    const auto big = std::filesystem::temp_directory_path() / ("orvel-big-" + std::to_string(::getpid()));
    std::ofstream{big};
    std::filesystem::resize_file(big, Limits::maxScanBytes + 1);
    const ProgramRun scan = runOrvel("scan '" + big.string() + "'");
    std::filesystem::remove(big);
    EXPECT_EQ(scan.status, 2);
    EXPECT_EQ(scan.err, "orvel: '" + big.string() + "' is too large (over 1 GiB)\n");

    // A file name with blanks and a line break is shown quoted, on one line.
    EXPECT_EQ(runOrvel("scan \"$(printf 'no such\\nlog')\"").err,
              "orvel: cannot read 'no such\\nlog': No such file or directory\n");

    // A pipe named as a file is read as a stream, as process substitution hands one over.
    const int piped = std::system("bash -c '\"" ORVEL_CLI_PATH "\" scan <(echo at 1700000000) >/dev/null'");
    EXPECT_EQ(WIFEXITED(piped) ? WEXITSTATUS(piped) : -1, 0);
    // One made with mkfifo is named, so that a pipe nobody writes to never waits in silence.
    const auto fifo = std::filesystem::temp_directory_path() / ("orvel-fifo-" + std::to_string(::getpid()));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int writer = std::system(("(printf 1700000000 > '" + fifo.string() + "' &)").c_str());
    EXPECT_EQ(writer, 0);
    EXPECT_EQ(runOrvel("scan '" + fifo.string() + "'").err,
              "orvel: '" + fifo.string() + "' is a named pipe: reading it until its writer closes it\n");
    std::filesystem::remove(fifo);

    const ProgramRun full = runOrvel("inspect e30=", "", "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "orvel: cannot write the output: No space left on device\n");
    EXPECT_EQ(runOrvel("scan --json", "e30=\n", "/dev/full").status, 2);
    // A reader that goes away early ends the program quietly, with the status of what it found.
    const auto err = std::filesystem::temp_directory_path() / ("orvel-pipe-" + std::to_string(::getpid()));
    const int closed =
        std::system(("bash -c 'yes \"id 0f8c2a9e-1b2c-4d3e-8f90-123456789abc\" | head -n 20000 | \"" ORVEL_CLI_PATH
                     "\" scan --jsonl 2>" +
                     err.string() + " | head -c 10 >/dev/null; exit ${PIPESTATUS[2]}'")
                        .c_str());
    EXPECT_EQ(WIFEXITED(closed) ? WEXITSTATUS(closed) : -1, 0);
    EXPECT_EQ(slurp(err), "");
    std::filesystem::remove(err);
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer needs more address space than the limit leaves
    // Memory running out is a message too, not an abort.
    const auto starved = std::filesystem::temp_directory_path() / ("orvel-starved-" + std::to_string(::getpid()));
    const int raw = std::system(
        ("ulimit -v 300000; '" ORVEL_CLI_PATH "' scan < /dev/zero > /dev/null 2> '" + starved.string() + "'").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    EXPECT_EQ(slurp(starved), "orvel: out of memory\n");
    std::filesystem::remove(starved);
#endif
}

// A scan's document written into a file, where its body goes in before its count is known, is
// the one a pipe receives: here the first candidates, all UUIDs, foretell a count with a digit
// more than the findings', so the body, several buffers long, moves once the count is known.
TEST(Commands, AScanDocumentIsTheSameInAFileAsThroughAPipe) {
    std::string log;
    char line[64];
    for (int i = 0; i < 9000; ++i)
        log.append(line, std::snprintf(line, sizeof line, "id %08x-0000-4000-8000-0123456789ab\n", i));
    for (int i = 0; i < 2000; ++i)
        log.append(line, std::snprintf(line, sizeof line, "n zzzzzzzzzzzzzzzzzzzzzzzz%05d\n", i));
    const auto dir = std::filesystem::temp_directory_path() / ("orvel-export-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string scan = "'" ORVEL_CLI_PATH "' scan --json '" + (dir / "log").string() + "'";
    std::ofstream(dir / "log", std::ios::binary) << log;
    EXPECT_EQ(std::system((scan + " > '" + (dir / "file").string() + "'").c_str()), 0);
    EXPECT_EQ(std::system((scan + " | cat > '" + (dir / "piped").string() + "'").c_str()), 0);
    const std::string inFile = slurp(dir / "file");
    EXPECT_TRUE(inFile.starts_with("{\n  \"count\" : 9000,\n")) << inFile.substr(0, 30);
    EXPECT_GT(inFile.size(), std::size_t{1} << 20);
    EXPECT_TRUE(inFile == slurp(dir / "piped")); // a diff of megabytes would take minutes
    std::filesystem::remove_all(dir);
}

// The explanation is labelled by who wrote it: the model only when it answered, escaped like any
// payload; a failed answer prints the template text as "deterministic".
TEST(Commands, TheExplanationSaysWhoWroteIt) {
    test::FakeModelServer server;
    server.reply({200, test::FakeModelServer::answer("Red \x1B[31m alert."), false});
    const auto out = std::filesystem::temp_directory_path() / ("orvel-model-" + std::to_string(::getpid()));
    const std::string model = "ORVEL_MODEL_URL=" + server.url() + " '" ORVEL_CLI_PATH "' ";
    EXPECT_EQ(std::system((model + "inspect eyJhIjoxfQ== > '" + out.string() + "'").c_str()), 0);
    EXPECT_NE(slurp(out).find("Explanation · on-device AI\nRed \\u{1B}[31m alert.\n"), std::string::npos);
    EXPECT_EQ(std::system((model + "inspect --explain-status > '" + out.string() + "'").c_str()), 0);
    EXPECT_NE(slurp(out).find("Explanations: on-device AI"), std::string::npos);
    server.reply({500, "", false});
    EXPECT_EQ(std::system((model + "inspect eyJhIjoxfQ== > '" + out.string() + "'").c_str()), 0);
    EXPECT_NE(slurp(out).find("Explanation · deterministic\n"), std::string::npos);
    std::filesystem::remove(out);
}

} // namespace
} // namespace orvel
