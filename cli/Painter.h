#pragma once

#include <string>
#include <string_view>

namespace orvel::cli {

/// Decorates text with terminal colours, or leaves it plain when colour is off.
class Painter {
public:
    explicit Painter(bool colour) : m_colour(colour) {}

    /// Bold: headings.
    std::string heading(std::string_view text) const { return paint("1", text); }
    /// Bold cyan: kinds and shapes.
    std::string kind(std::string_view text) const { return paint("1;36", text); }
    /// Dim: positions, confidences, glossary rows.
    std::string muted(std::string_view text) const { return paint("2", text); }
    /// Bold red: what must be acted on (high risks).
    std::string alarm(std::string_view text) const { return paint("1;31", text); }
    /// Yellow: security notes.
    std::string warning(std::string_view text) const { return paint("33", text); }
    /// `text` with each verdict it states painted: expiry and missing signatures in red, weak
    /// costs and digests mistaken for password hashes in yellow.
    std::string verdicts(std::string_view text) const;

    /// Stands for a blank inside a verdict: escaped text has no control character of its own.
    static constexpr char kJoiner = '\x1F';
    /// `text` with the blanks inside each verdict replaced by kJoiner, so that wrapping it at
    /// blanks never splits a verdict over two lines.
    static std::string joinVerdicts(std::string_view text);

private:
    std::string paint(std::string_view code, std::string_view text) const;
    bool m_colour;
};

} // namespace orvel::cli
