#pragma once

#include <set>
#include <string>
#include <vector>

#include "TerminalRenderer.h"
#include "orvel/DetectionKind.h"
#include "orvel/Risk.h"

namespace orvel::cli {

/// Exit statuses of the program.
enum ExitStatus : int { kFound = 0, kNothingFound = 1, kUsageError = 2, kRiskFound = 3 };

/// Parses the command line, runs the command and returns the exit status.
int run(int argc, char** argv);

struct InspectOptions {
    bool json = false;
    bool prompt = false;        ///< print what a language model would be asked instead of the chain
    bool explainStatus = false; ///< say whether a model server explains chains, instead of inspecting
    bool redact = false;        ///< print secrets as fingerprints
    std::string text = "-";     ///< "-" reads standard input
    std::string file;           ///< inspect this file's contents instead of TEXT
    ColourChoice colour = ColourChoice::automatic;
};

/// `orvel inspect`: prints the chain of one text, readable or as the export document; when
/// nothing is recognised, what a scan finds inside it.
int inspect(const InspectOptions& options);

/// `orvel inspect --explain-status`: whether a model server is configured and available, and
/// why not; exit status 0 when it is available, 1 when it is not.
int explainStatus();

/// Which findings a scan reports, by the kind of their first step.
struct KindFilter {
    std::set<DetectionKind> only;     ///< when not empty, only these kinds
    std::set<DetectionKind> excluded; ///< never these kinds

    /// Whether a finding whose first step has `kind` is reported.
    bool admits(DetectionKind kind) const { return (only.empty() || only.contains(kind)) && !excluded.contains(kind); }
};

struct ScanOptions {
    bool json = false;
    bool jsonLines = false;              ///< one finding record a line, as found
    bool binary = false;                 ///< scan files that look binary too
    std::vector<std::string> files{"-"}; ///< "-" reads standard input
    KindFilter filter;
    ColourChoice colour = ColourChoice::automatic;
};

/// `orvel scan`: lists every artifact found in files or standard input.
int scan(const ScanOptions& options);

struct AuditOptions {
    bool json = false;
    bool scan = false;   ///< audit every artifact in a file rather than one text
    bool redact = false; ///< print secrets as fingerprints
    RiskSeverity failOn = RiskSeverity::high;
    std::string target = "-"; ///< TEXT, or with `scan` a FILE; "-" reads standard input
    std::string file;         ///< audit this file's contents as one artifact
    ColourChoice colour = ColourChoice::automatic;
};

/// `orvel audit`: the risks of one artifact or of every artifact and credential in a file;
/// exit status 3 when one reaches `failOn`.
int audit(const AuditOptions& options);

} // namespace orvel::cli
