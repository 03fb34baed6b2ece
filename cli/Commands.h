#pragma once

#include <string>

namespace orvel::cli {

/// Exit statuses of the program.
enum ExitStatus : int { kFound = 0, kNothingFound = 1, kUsageError = 2 };

/// Parses the command line, runs the command and returns the exit status.
int run(int argc, char** argv);

struct InspectOptions {
    bool json = false;
    bool prompt = false;    ///< print what a language model would be asked instead of the chain
    std::string text = "-"; ///< "-" reads standard input
};

/// `orvel inspect`: prints the chain of one text, readable or as the export document.
int inspect(const InspectOptions& options);

struct ScanOptions {
    bool json = false;
    std::string file = "-"; ///< "-" reads standard input
};

/// `orvel scan`: lists every artifact found in a file or standard input.
int scan(const ScanOptions& options);

} // namespace orvel::cli
