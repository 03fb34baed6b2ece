// End-to-end checks of the orvel program: arguments, standard input, output and exit status.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "orvel/ExplanationRequest.h"
#include "orvel/JSON.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "orvel/TemplateExplainer.h"
#include "support/Base64Encode.h"

namespace orvel {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Runs the program with `arguments` (already shell-quoted) and `input` on standard input,
// writing its standard output to `output` when one is named.
ProgramRun runOrvel(const std::string& arguments, const std::string& input = "", const std::string& output = "") {
    const auto dir = std::filesystem::temp_directory_path() / ("orvel-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in", std::ios::binary) << input;
    const std::string command = "NO_COLOR=1 '" ORVEL_CLI_PATH "' " + arguments + " < '" + (dir / "in").string() +
                                "' > '" + (output.empty() ? (dir / "out").string() : output) + "' 2> '" +
                                (dir / "err").string() + "'";
    const int raw = std::system(command.c_str());
    ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "out"), slurp(dir / "err")};
    std::filesystem::remove_all(dir);
    return run;
}

TEST(Commands, InspectJSONExportsTheChain) {
    const ProgramRun run = runOrvel("inspect --json", testing::base64Encode(R"({"b":1,"a":[true,null,"x/y"]})") + "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.back(), '\n');
    const auto document = JSON::parse(run.out);
    ASSERT_TRUE(document);
    EXPECT_EQ((*document)["shape"], JSON::Value({"base64", "json"}));
    EXPECT_EQ((*document)["recognized"], true);
    EXPECT_EQ((*document)["finalValue"], "{\n  \"a\" : [\n    true,\n    null,\n    \"x/y\"\n  ],\n  \"b\" : 1\n}");
    EXPECT_EQ((*document)["input"].get<std::string>().back(), '\n');  // standard input is taken byte for byte
}

TEST(Commands, ReadableRenderingShowsShapeStepsAndFinalValue) {
    const ProgramRun run = runOrvel("inspect '" + testing::base64Encode(R"({"a":"x"})") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("base64 → json"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[1] base64 · 70%"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[2] json · 95%"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("topLevel"), std::string::npos);
    EXPECT_NE(run.out.find("Final value\n{\n  \"a\" : \"x\"\n}"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);  // NO_COLOR
}

TEST(Commands, UnrecognisedInputExitsOne) {
    const ProgramRun readable = runOrvel("inspect 'hello world'");
    EXPECT_EQ(readable.status, 1);
    EXPECT_NE(readable.out.find("Not recognised"), std::string::npos);

    const ProgramRun json = runOrvel("inspect --json", "hello world");
    EXPECT_EQ(json.status, 1);
    const auto document = JSON::parse(json.out);
    ASSERT_TRUE(document);
    EXPECT_EQ((*document)["recognized"], false);
    EXPECT_EQ((*document)["shape"], JSON::Value::array());
    EXPECT_EQ((*document)["steps"], JSON::Value::array());
    EXPECT_EQ((*document)["finalValue"], "hello world");

    EXPECT_EQ(runOrvel("inspect", "").status, 1);
    EXPECT_EQ(runOrvel("inspect -", " \n").status, 1);
}

TEST(Commands, UsageErrorsAndHelp) {
    const ProgramRun unknown = runOrvel("inspect --bogus");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1) << unknown.err;
    EXPECT_EQ(runOrvel("").status, 2);
    EXPECT_EQ(runOrvel("frobnicate").status, 2);
    EXPECT_EQ(runOrvel("inspect a b").status, 2);

    const ProgramRun help = runOrvel("inspect --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--json"), std::string::npos);
    const ProgramRun version = runOrvel("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("orvel ", 0), 0u);
}

TEST(Commands, InvalidUTF8AndControlCharactersAreHandled) {
    const ProgramRun invalid = runOrvel("inspect --json", "[\"\xff\xfe\"]");
    EXPECT_EQ(invalid.status, 0);
    EXPECT_NE(invalid.err.find("not valid UTF-8"), std::string::npos);
    EXPECT_TRUE(JSON::parse(invalid.out));

    // A decoded escape sequence must not reach the terminal raw.
    const ProgramRun escape = runOrvel("inspect", testing::base64Encode("title\x1b]0;pwned\x07 and more text here"));
    EXPECT_EQ(escape.status, 0);
    EXPECT_EQ(escape.out.find('\x1b'), std::string::npos);
    EXPECT_NE(escape.out.find("\\u{1B}]0;pwned\\u{07}"), std::string::npos) << escape.out;
}

TEST(Commands, ReadableRenderingEndsWithTheExplanationAndItsSource) {
    const std::string input = testing::base64Encode(R"({"user":"alice","path":"/v1"})");
    const ProgramRun run = runOrvel("inspect '" + input + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string explanation = TemplateExplainer().explainSync(inspect(input));
    EXPECT_TRUE(run.out.ends_with("\"\n}\n\nExplanation · deterministic\n" + explanation + "\n")) << run.out;

    EXPECT_EQ(runOrvel("inspect 'hello world'").out.find("Explanation"), std::string::npos);
}

TEST(Commands, PromptPrintsWhatAModelWouldBeAsked) {
    for (const std::string& input : {testing::base64Encode(R"({"token":"a/b"})"), std::string("hello world\n")}) {
        const ProgramRun run = runOrvel("inspect --prompt", input);
        const ExplanationRequest request(inspect(input));
        EXPECT_EQ(run.status, request.isRecognized ? 0 : 1);
        EXPECT_EQ(run.out, request.instructions + "\n\n" + request.prompt + "\n");
    }
    // The prompt quotes the raw input, which must not reach a terminal unescaped either.
    EXPECT_NE(runOrvel("inspect --prompt", "bell\x07").out.find("Raw input:\nbell\\u{07}\n"), std::string::npos);
    EXPECT_EQ(runOrvel("inspect --prompt --json", "e30=").status, 2);
}

} // namespace
} // namespace orvel

namespace orvel {
namespace {

TEST(Commands, ScanListsFindingsFromStandardInputOrAFile) {
    const std::string log = "start\n[INFO] body={\"user\":42,\"note\":\"a/b\"}\r\nnext " +
                            testing::base64Encode(R"({"retry":3,"reason":"rate limited"})") + "\n";
    const ProgramRun readable = runOrvel("scan", log);
    ASSERT_EQ(readable.status, 0) << readable.err;
    EXPECT_NE(readable.out.find("Found 2 artifact(s)"), std::string::npos) << readable.out;
    EXPECT_NE(readable.out.find("line 2  {\"user\":42,\"note\":\"a/b\"}  json"), std::string::npos) << readable.out;

    const auto path = std::filesystem::temp_directory_path() / ("orvel-scan-" + std::to_string(::getpid()) + ".log");
    std::ofstream(path, std::ios::binary) << log;
    const ProgramRun json = runOrvel("scan --json '" + path.string() + "'");
    std::filesystem::remove(path);
    ASSERT_EQ(json.status, 0) << json.err;
    const auto document = JSON::parse(json.out);
    ASSERT_TRUE(document);
    EXPECT_EQ((*document)["count"], 2);
    EXPECT_EQ((*document)["findings"][0]["line"], 2);
    EXPECT_EQ((*document)["findings"][1]["line"], 2);  // CR LF is one character, not a line feed
    EXPECT_EQ((*document)["findings"][1]["shape"], JSON::Value({"base64", "json"}));
}

TEST(Commands, OversizedInputFullOutputAndExhaustedMemoryExitTwo) {
    EXPECT_EQ(runOrvel("inspect", std::string(Limits::maxInspectBytes, ' ')).status, 1);
    const ProgramRun over = runOrvel("inspect", std::string(Limits::maxInspectBytes + 1, ' '));
    EXPECT_EQ(over.status, 2);
    EXPECT_EQ(over.err, "orvel: input too large (over 16 MiB)\n");

    // A file past the scan cap is refused before it is read (a sparse one takes no room).
    const auto big = std::filesystem::temp_directory_path() / ("orvel-big-" + std::to_string(::getpid()));
    std::ofstream{big};
    std::filesystem::resize_file(big, Limits::maxScanBytes + 1);
    const ProgramRun scan = runOrvel("scan '" + big.string() + "'");
    std::filesystem::remove(big);
    EXPECT_EQ(scan.status, 2);
    EXPECT_EQ(scan.err, "orvel: " + big.string() + " too large (over 1 GiB)\n");

    const ProgramRun full = runOrvel("inspect e30=", "", "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "orvel: cannot write the output\n");
    EXPECT_EQ(runOrvel("scan --json", "e30=\n", "/dev/full").status, 2);
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer needs more address space than the limit leaves
    // Memory running out is a message too, not an abort.
    const auto err = std::filesystem::temp_directory_path() / ("orvel-starved-" + std::to_string(::getpid()));
    const int raw = std::system(
        ("ulimit -v 300000; '" ORVEL_CLI_PATH "' scan < /dev/zero > /dev/null 2> '" + err.string() + "'").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    EXPECT_EQ(slurp(err), "orvel: out of memory\n");
    std::filesystem::remove(err);
#endif
}

TEST(Commands, ScanWithoutFindingsOrInputFailsClearly) {
    const ProgramRun none = runOrvel("scan", "nothing to see here\n");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("Found 0 artifact(s)"), std::string::npos);
    EXPECT_EQ(JSON::parse(runOrvel("scan --json", "").out)->at("count"), 0);

    const ProgramRun missing = runOrvel("scan /nonexistent/orvel.log");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "orvel: cannot read /nonexistent/orvel.log\n");
}

} // namespace
} // namespace orvel
