#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "BundleReport.h"
#include "ColumnCounter.h"
#include "Commands.h"
#include "InputReader.h"
#include "Painter.h"
#include "RiskRenderer.h"
#include "StandardOutput.h"
#include "TextLayout.h"
#include "orvel/Credentials.h"
#include "orvel/Limits.h"
#include "orvel/Orvel.h"
#include "orvel/Redaction.h"
#include "orvel/Risk.h"

namespace orvel::cli {
namespace {

using Json = nlohmann::ordered_json;

// A readable entry's preview keeps to this many characters without a known width.
constexpr std::size_t kPreviewCharacters = 100;
// The longest line time ("[07/Jun/2026:09:14:02 +0200]", ISO with fractions and zone) fits.
constexpr std::size_t kLineTimeBytes = 64;

// One thing the audit reports: an artifact the engine decoded, or a credential it has no kind
// for, with where it begins and what is wrong with it.
struct Entry {
    std::size_t offset = 0;
    int line = 1;
    std::size_t column = 1;
    std::string matchedText;
    std::optional<DecodeChain> chain; ///< absent for a credential
    std::string vendor;               ///< a credential's vendor and kind
    std::optional<LineTime> lineTime;
    Assessment assessment;
};

// Where each offset of a text lies, asked in increasing order so that one forward pass serves a
// whole log: its line as the scanner counts them, its column, and the physical line it is on.
class Positions {
public:
    explicit Positions(std::string_view text) : m_text(text), m_columns(text) {}

    /// Moves to `offset`, no smaller than the last.
    void advance(std::size_t offset) {
        const std::string_view stretch = m_text.substr(m_at, offset - m_at);
        for (std::size_t i = stretch.find('\n'); i != std::string_view::npos; i = stretch.find('\n', i + 1)) {
            const bool afterCR = i > 0 ? stretch[i - 1] == '\r' : m_at > 0 && m_text[m_at - 1] == '\r';
            if (!afterCR) ++m_line;
            m_lineStart = m_at + i + 1;
        }
        m_column = m_columns.columnAt(offset);
        m_at = offset;
    }

    int line() const { return m_line; }
    std::size_t column() const { return m_column; }
    /// The start of the physical line the last offset is on, as far as a line time can reach.
    std::string_view lineStart() const { return m_text.substr(m_lineStart, kLineTimeBytes); }

private:
    std::string_view m_text;
    ColumnCounter m_columns;
    std::size_t m_at = 0;
    std::size_t m_lineStart = 0;
    int m_line = 1;
    std::size_t m_column = 1;
};

// The line time of a log line. Syslog leaves the year out: it is the year of the log's own
// time (its file's modification, or now), or the year before for a date after it, as a log
// written across New Year has.
std::optional<LineTime> lineTimeOf(std::string_view line, std::chrono::sys_seconds logTime) {
    using namespace std::chrono;
    const int year = static_cast<int>(year_month_day(floor<days>(logTime)).year());
    std::optional<LineTime> time = readLineTime(line, year);
    if (time && time->instant > logTime + days(1)) {
        std::optional<LineTime> yearBefore = readLineTime(line, year - 1);
        if (yearBefore && yearBefore->instant != time->instant) time = std::move(yearBefore);
    }
    return time;
}

std::chrono::sys_seconds modificationTime(const std::string& path, std::chrono::sys_seconds otherwise) {
    struct stat status {};
    if (path == "-" || ::stat(path.c_str(), &status) != 0) return otherwise;
    return std::chrono::sys_seconds{std::chrono::seconds{status.st_mtim.tv_sec}};
}

// Writes the entries as they come, readable or as the audit document, and keeps the totals.
class Report {
public:
    Report(const AuditOptions& options, RenderStyle style) : m_options(options), m_style(style) {
        if (m_options.json) {
            fmt::print("{{\n  \"version\": 1,\n  \"mode\": \"{}\",\n  \"failOn\": \"{}\",\n  \"findings\": [",
                       options.scan ? "scan" : "artifact", severityName(options.failOn));
        }
    }

    void add(Entry entry) {
        if (!entry.chain)
            ++m_credentials;
        else if (entry.chain->isRecognized())
            ++m_artifacts;
        for (const Risk& risk : entry.assessment.risks) ++m_counts[static_cast<std::size_t>(risk.severity)];
        if (m_options.redact) {
            const Redactor redactor = entry.chain
                                          ? Redactor::forChain(*entry.chain, std::move(entry.assessment.secrets))
                                          : Redactor(std::move(entry.assessment.secrets));
            entry.matchedText = redactor.apply(entry.matchedText);
            if (entry.chain) entry.chain = redactor.apply(*entry.chain);
            for (Risk& risk : entry.assessment.risks) risk.reason = redactor.apply(risk.reason);
        }
        if (m_options.json)
            writeRecord(entry);
        else if (m_options.scan)
            writeRow(entry);
        else
            writeArtifact(entry);
    }

    /// Adds the view of the certificate bundle the text holds, with the bundle's own risks.
    void addBundle(const CertificateBundle& bundle, const std::vector<Risk>& risks) {
        for (const Risk& risk : risks) ++m_counts[static_cast<std::size_t>(risk.severity)];
        if (m_options.json)
            m_bundle = bundleRecord(bundle, risks);
        else
            renderBundle(stdout, bundle, risks, m_style);
    }

    /// Ends the report with the totals; answers whether a risk reached the failing severity.
    bool finish() {
        const bool failed = std::any_of(m_counts.begin() + static_cast<std::ptrdiff_t>(m_options.failOn),
                                        m_counts.end(), [](std::size_t count) { return count > 0; });
        if (m_options.json) {
            Json totals{{"artifacts", m_artifacts}, {"credentials", m_credentials}};
            for (std::size_t level = m_counts.size(); level-- > 0;)
                totals[std::string(severityName(static_cast<RiskSeverity>(level)))] = m_counts[level];
            fmt::print("{}\n  ],\n", m_written > 0 ? "" : " ");
            if (!m_bundle.is_null()) fmt::print("  \"bundle\": {},\n", indented(m_bundle));
            fmt::print("  \"totals\": {},\n  \"failed\": {}\n}}\n",
                       totals.dump(-1, ' ', false, Json::error_handler_t::replace), failed);
            return failed;
        }
        const Painter painter(m_style.colour);
        std::string found = fmt::format("{} artifact(s)", m_artifacts);
        if (m_credentials > 0) found += fmt::format(" · {} credential(s)", m_credentials);
        fmt::print("\n{}  {}; risks: {}\n", painter.heading("Audit"), found, riskCounts(m_counts));
        const std::string verdict =
            failed ? painter.alarm("FAIL") + fmt::format(": a risk at or above {}", severityName(m_options.failOn))
                   : painter.heading("PASS") + fmt::format(": no risk at or above {}", severityName(m_options.failOn));
        fmt::print("{} (--fail-on {})\n", verdict, severityName(m_options.failOn));
        return failed;
    }

    std::size_t found() const { return m_artifacts + m_credentials; }

private:
    void writeArtifact(const Entry& entry) {
        const Painter painter(m_style.colour);
        if (m_rows++ > 0) fmt::print("\n");
        if (!entry.chain) {
            fmt::print("{}  {}\n", painter.heading("Credential"), painter.kind(TextLayout::oneLine(entry.vendor)));
        } else if (!entry.chain->isRecognized()) {
            fmt::print("{}: no known artifact or credential was found in this input.\n",
                       painter.heading("Not recognised"));
            return;
        } else {
            const DecodeChain& chain = *entry.chain;
            fmt::print("{}  {}\n", painter.heading("Shape"), painter.kind(chain.shapeText()));
            for (std::size_t i = 0; i < chain.steps.size(); ++i) {
                fmt::print("  {} {}  {}\n", painter.muted(fmt::format("[{}]", i + 1)),
                           painter.kind(rawValue(chain.steps[i].kind)),
                           painter.verdicts(TextLayout::oneLine(chain.steps[i].summary)));
            }
        }
        writeRisks(entry, 2);
    }

    void writeRow(const Entry& entry) {
        const Painter painter(m_style.colour);
        const std::string location = fmt::format("{}:{}", entry.line, entry.column);
        const std::string shape = entry.chain ? entry.chain->shapeText() : "credential";
        const std::string summary =
            entry.chain ? TextLayout::oneLine(entry.chain->steps.front().summary) : TextLayout::oneLine(entry.vendor);
        fmt::print("{}{}  {}  {}\n", m_rows++ > 0 ? "\n" : "", painter.muted(location), painter.kind(shape),
                   painter.verdicts(summary));
        const std::size_t room = m_style.width > 10 ? m_style.width - 4 : kPreviewCharacters;
        fmt::print("    {}\n", TextLayout::cutMiddle(TextLayout::oneLine(entry.matchedText), room));
        if (entry.lineTime) fmt::print("    {}\n", painter.muted("line time " + entry.lineTime->text));
        writeRisks(entry, 4);
    }

    void writeRisks(const Entry& entry, std::size_t indent) {
        const Painter painter(m_style.colour);
        if (entry.assessment.risks.empty()) {
            if (!m_options.scan) fmt::print("{}\n  no risks found\n", painter.heading("Risks"));
            return;
        }
        if (!m_options.scan) fmt::print("{}\n", painter.heading("Risks"));
        renderRisks(stdout, entry.assessment.risks, m_style, indent);
    }

    void writeRecord(const Entry& entry) {
        Json record{{"type", entry.chain ? "artifact" : "credential"},
                    {"line", entry.line},
                    {"column", entry.column},
                    {"offset", entry.offset},
                    {"matchedText", entry.matchedText}};
        if (entry.chain) {
            record["shape"] = entry.chain->rawShape();
            Json steps = Json::array();
            for (const DecodeResult& step : entry.chain->steps)
                steps.push_back({{"kind", rawValue(step.kind)}, {"summary", step.summary}});
            record["steps"] = std::move(steps);
            record["finalValue"] = entry.chain->finalValue();
        } else {
            record["vendor"] = entry.vendor;
        }
        if (entry.lineTime) record["lineTime"] = entry.lineTime->text;
        record["risks"] = riskRecords(entry.assessment.risks);
        fmt::print("{}\n    {}", m_written++ > 0 ? "," : "", indented(record, 4));
    }

    // `value` laid out with two-space indents, its lines after the first starting at `margin`.
    static std::string indented(const Json& value, std::size_t margin = 2) {
        const std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
        std::string shifted;
        shifted.reserve(text.size() + text.size() / 8);
        for (const char c : text) {
            shifted += c;
            if (c == '\n') shifted.append(margin, ' ');
        }
        return shifted;
    }

    const AuditOptions& m_options;
    RenderStyle m_style;
    std::vector<std::size_t> m_counts = std::vector<std::size_t>(4);
    std::size_t m_artifacts = 0;
    std::size_t m_credentials = 0;
    std::size_t m_rows = 0;
    std::size_t m_written = 0;
    Json m_bundle; ///< the bundle record, written after the findings
};

Entry credentialEntry(const CredentialFinding& credential, std::string_view text) {
    Entry entry;
    entry.offset = credential.offset;
    entry.matchedText = std::string(text.substr(credential.offset, credential.length));
    entry.vendor = credential.vendor;
    entry.assessment.risks = {credential.risk};
    entry.assessment.secrets = {entry.matchedText};
    return entry;
}

// The text to audit, or absent after a message.
std::optional<std::string> readAuditInput(const AuditOptions& options) {
    const std::string& path = options.file.empty() ? options.target : options.file;
    const bool fromFile = options.scan || !options.file.empty();
    if (!fromFile && path != "-") return options.target;
    const std::string origin = path == "-" ? std::string("standard input") : cli::quoted(path);
    const std::size_t limit = options.scan ? Limits::maxScanBytes : Limits::maxInspectBytes;
    Input raw = path == "-" ? readStandardInput(limit) : readFile(path, limit);
    if (raw.status == Input::Status::unreadable) {
        fmt::print(stderr, "orvel: cannot read {}: {}\n", origin, raw.reason);
        return std::nullopt;
    }
    if (raw.status == Input::Status::tooLarge || raw.data.size() > limit) {
        fmt::print(stderr, "orvel: {} is too large (over {})\n", origin, sizeInWords(limit));
        return std::nullopt;
    }
    if (options.scan && looksBinary(raw.data)) {
        fmt::print(stderr, "orvel: {}: binary file, nothing audited\n", origin);
        return std::nullopt;
    }
    return asValidText(std::move(raw.data), origin);
}

void auditArtifact(const std::string& text, Report& report) {
    Entry entry;
    entry.matchedText = text;
    entry.chain = orvel::inspect(text);
    entry.assessment = assess(*entry.chain, currentRiskContext());
    const std::vector<CredentialFinding> credentials = findCredentials(text);
    if (entry.chain->isRecognized() || credentials.empty()) report.add(std::move(entry));
    for (const CredentialFinding& credential : credentials) report.add(credentialEntry(credential, text));
}

void auditScan(const std::string& text, std::chrono::sys_seconds logTime, Report& report) {
    const RiskContext now = currentRiskContext();
    const std::vector<CredentialFinding> credentials = findCredentials(text);
    auto nextCredential = credentials.begin();
    Positions positions(text);
    const auto place = [&](Entry& entry) {
        positions.advance(entry.offset);
        entry.line = positions.line();
        entry.column = positions.column();
        entry.lineTime = lineTimeOf(positions.lineStart(), logTime);
    };
    // Credentials are found up front and merged in text order with the findings as they come.
    const auto addCredentialsBefore = [&](std::size_t offset) {
        for (; nextCredential != credentials.end() && nextCredential->offset < offset; ++nextCredential) {
            Entry entry = credentialEntry(*nextCredential, text);
            place(entry);
            report.add(std::move(entry));
        }
    };
    orvel::scan(text, [&](ScanFinding&& finding) {
        addCredentialsBefore(finding.offset);
        Entry entry;
        entry.offset = finding.offset;
        entry.matchedText = std::move(finding.matchedText);
        place(entry);
        entry.line = finding.line;
        entry.assessment = assess(finding.chain, RiskContext{now.now, entry.lineTime});
        entry.chain = std::move(finding.chain);
        report.add(std::move(entry));
        return Scanner::Next::keepGoing;
    });
    addCredentialsBefore(text.size() + 1);
}

} // namespace

int audit(const AuditOptions& options) {
    const std::optional<std::string> text = readAuditInput(options);
    if (!text) return kUsageError;
    Report report(options, styleForStandardOutput(options.colour));
    const RiskContext now = currentRiskContext();
    if (options.scan)
        auditScan(*text, modificationTime(options.target, now.now), report);
    else
        auditArtifact(*text, report);
    const CertificateBundle bundle = readCertificateBundle(*text, now);
    if (isBundle(bundle)) report.addBundle(bundle, bundleRisks(bundle));
    const bool failed = report.finish();
    return StandardOutput::finish(failed ? kRiskFound : report.found() > 0 ? kFound : kNothingFound);
}

} // namespace orvel::cli
