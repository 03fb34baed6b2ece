#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "orvel/OrvelJSON.h"

namespace orvel::cli {

/// Where `scan --json` writes its export document, whose head (the count) is known only once
/// every finding is, while a large log's body is too large to hold. A regular file takes the
/// body in place, after room left for the head of the count expected, and only a wrong
/// expectation moves it. Anything else (a pipe, a terminal) gets the body from a spill file
/// once the head is out.
class ExportOutput {
public:
    /// Writes to `out`, which must have nothing else written to it until `finish`.
    explicit ExportOutput(std::FILE* out);
    ~ExportOutput();
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;

    /// Whether the body has somewhere to go (else the spill file could not be made).
    bool isReady() const { return m_inPlace || m_spill != nullptr; }

    /// `found` findings so far, from the first `examined` of `total` candidates: the body is
    /// placed once these foretell the count (or once it is too large to wait).
    void expect(std::size_t found, std::size_t examined, std::size_t total);

    /// Takes the next piece of the body.
    void body(std::string_view piece);

    /// Writes `document`, whose body this output took, whole; answers whether it all went.
    bool finish(const OrvelJSON::FindingWriter& document);

private:
    bool openInPlace();
    int openReader() const;
    void place(std::size_t findings);
    void flushInPlace();
    bool finishInPlace(const OrvelJSON::FindingWriter& document);
    bool moveBody(off_t to);
    bool writeAt(std::string_view text, off_t at);

    std::FILE* m_out;
    bool m_failed = false;

    // In place: the body goes at m_bodyAt, behind room for a head from m_base, and is read back
    // through a reader opened then when the head turns out to need more or less room.
    bool m_inPlace = false;
    bool m_readable = false; // the file is open for reading and writing: no reader needed
    off_t m_base = 0;
    std::size_t m_foretold = 1; // the count expected so far
    off_t m_bodyAt = -1;        // until the body is placed
    off_t m_bodyEnd = 0;
    std::string m_pending;

    std::unique_ptr<char[]> m_spillBuffer; // outlives the spill file, which is closed first
    std::FILE* m_spill = nullptr;
};

} // namespace orvel::cli
