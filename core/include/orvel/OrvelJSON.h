#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "orvel/DecodeChain.h"
#include "orvel/ScanFinding.h"

// The machine-readable export: pretty JSON with sorted keys and unescaped slashes.
namespace orvel::OrvelJSON {

/// Receives a document in pieces, in order.
using Sink = std::function<void(std::string_view)>;

/// The export document of one chain: finalValue, input, recognized, shape, steps.
std::string string(const DecodeChain& chain);
/// Hands exactly string(chain) to `sink` in pieces, never holding the whole document.
void write(const DecodeChain& chain, const Sink& sink);

/// The export document of a scan: count and findings (line, matchedText, shape, chain).
std::string string(const std::vector<ScanFinding>& findings);

/// The scan document of findings that arrive one at a time. The document opens with their
/// count, so each finding is laid out into a body kept by the caller (a file, a string) as it
/// comes, and finish() puts the document together around it.
class FindingWriter {
public:
    /// Lays the findings out into `body`, which receives them in pieces, in order.
    explicit FindingWriter(Sink body);

    /// Lays out `finding` as the next element of the document.
    void add(const ScanFinding& finding);

    /// How many findings have been added.
    std::size_t count() const { return m_count; }

    /// Hands exactly string(findings) of the added findings to `out`: what comes before the
    /// body, then `copyBody`, which must hand `out` all that the body received, then what comes
    /// after. A finding that cannot be written makes the document "{}", without the body.
    /// Answers what `copyBody` answered, or true when it was not called.
    bool finish(const Sink& out, const std::function<bool()>& copyBody) const;

    /// What comes before the body in a document of `count` findings, count > 0.
    static std::string head(std::size_t count);

private:
    Sink m_body;
    std::string m_buffer; ///< room for the record being laid out, reused
    /// The numbers laid out so far, a few at most, with their spelling: a scan writes the same
    /// confidences hundreds of thousands of times, and spelling one takes longer than its record.
    std::vector<std::pair<double, std::string>> m_spelled;
    std::size_t m_count = 0;
    bool m_writable = true;
};

} // namespace orvel::OrvelJSON
