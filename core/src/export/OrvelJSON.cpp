#include "orvel/OrvelJSON.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "text/JSON.h"

namespace orvel::OrvelJSON {
namespace {

constexpr JSON::WriteOptions kLayout{.pretty = true, .escapeSlashes = false};

// Lays out a record of known shape straight into text, exactly as the canonical writer would
// lay out the same value: pretty, two spaces a level. The callers name keys in ascending order.
// A scan exports hundreds of thousands of records, and building a value tree for each would
// cost more than deciding them. The text goes to the sink in pieces of about kPieceBytes: a
// large chain's document is several times its input and never needs to be held whole. Each
// part makes its room first and is then copied in: a record is a hundred short copies, which
// checking a string's capacity one by one would make several times as slow.
class Layout {
public:
    /// Lays out into `buffer`, whose whole length is room to write in: it grows when a part
    /// needs more, and is handed over and reused piece by piece.
    /// `spelled` keeps numbers once spelled, up to kSpelled of them.
    Layout(const Sink& sink, int depth, std::string& buffer, std::vector<std::pair<double, std::string>>& spelled)
        : m_sink(sink), m_buffer(buffer), m_spelled(spelled), m_depth(depth) {}

    void raw(std::string_view text) {
        room(text.size());
        std::memcpy(m_buffer.data() + m_used, text.data(), text.size());
        m_used += text.size();
    }
    void open(char bracket) {
        put(bracket);
        ++m_depth;
        m_empty = true;
    }
    void close(char bracket) {
        --m_depth;
        if (!m_empty) lineBreak(false);
        put(bracket);
        m_empty = false;
    }
    void key(std::string_view name) {
        element();
        string(name);
        raw(" : ");
    }
    /// A key of the documents' own, which needs no escape: `quotedKey` is the key in quotes and
    /// the colon after it, copied in as a block of its known size.
    template <std::size_t Size>
    void plainKey(const char (&quotedKey)[Size]) {
        element();
        raw({quotedKey, Size - 1});
    }
    /// Starts the next element of an array.
    void element() {
        const bool comma = !m_empty;
        m_empty = false;
        lineBreak(comma);
    }
    void string(std::string_view text) {
        raw("\"");
        do {
            // Cut only before a byte that starts a UTF-8 sequence, where escaping piece by
            // piece gives what escaping the whole would.
            std::size_t cut = std::min(text.size(), kPieceBytes);
            while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
            room(JSON::escapedRoom(cut));
            char* const start = m_buffer.data() + m_used;
            m_used += static_cast<std::size_t>(JSON::writeEscaped(start, text.substr(0, cut), kLayout) - start);
            text.remove_prefix(cut);
            if (!text.empty()) handOver();
        } while (!text.empty());
        raw("\"");
    }
    void integer(int number) {
        room(std::numeric_limits<int>::digits10 + 2);
        char* const start = m_buffer.data() + m_used;
        m_used += static_cast<std::size_t>(
            std::to_chars(start, start + std::numeric_limits<int>::digits10 + 2, number).ptr - start);
    }
    void boolean(bool value) { raw(value ? "true" : "false"); }
    /// `number` must be finite (see isWritable).
    void number(double number) {
        // Equal numbers are spelled alike (0 and -0 both "0").
        for (const auto& [known, spelling] : m_spelled) {
            if (known == number) return raw(spelling);
        }
        std::string spelling;
        JSON::appendNumber(spelling, number);
        raw(spelling);
        if (m_spelled.size() < kSpelled) m_spelled.emplace_back(number, std::move(spelling));
    }
    /// Hands over the rest of the text.
    void finish() {
        m_sink({m_buffer.data(), m_used});
        m_used = 0;
    }

private:
    static constexpr std::size_t kPieceBytes = std::size_t{64} << 10;
    static constexpr std::size_t kSpelled = 16;

    void room(std::size_t bytes) {
        if (m_used + bytes > m_buffer.size()) [[unlikely]]
            grow(bytes);
    }
    // Out of line, so that the parts that make room stay small enough to be inlined.
    [[gnu::noinline]] void grow(std::size_t bytes) { m_buffer.resize(std::max(m_buffer.size() * 2, m_used + bytes)); }
    void put(char byte) {
        room(1);
        m_buffer[m_used++] = byte;
    }
    // A comma if asked, a line feed and the indent, for the depths the documents reach, copied
    // as one block of the longest's size whose end the next part overwrites: a copy of a size
    // known to the compiler is a few moves, one of any other size a call.
    void lineBreak(bool comma) {
        static constexpr char kBreak[] = ",\n                                ";
        constexpr std::size_t kLongest = sizeof kBreak - 1;
        const std::size_t indent = static_cast<std::size_t>(m_depth) * 2;
        if (indent + 2 <= kLongest) {
            room(kLongest);
            std::memcpy(m_buffer.data() + m_used, kBreak + (comma ? 0 : 1), kLongest);
            m_used += indent + (comma ? 2 : 1);
        } else {
            if (comma) raw(",");
            raw("\n");
            room(indent);
            std::memset(m_buffer.data() + m_used, ' ', indent);
            m_used += indent;
        }
        handOver();
    }
    void handOver() {
        if (m_used < kPieceBytes) return;
        finish();
    }

    const Sink& m_sink;
    std::string& m_buffer;
    std::vector<std::pair<double, std::string>>& m_spelled;
    std::size_t m_used = 0;
    int m_depth;
    bool m_empty = false;
};

// The canonical writer has no spelling for a number that is not finite, and the documents
// fall back to "{}" rather than carry one.
bool isWritable(const DecodeChain& chain) {
    return std::ranges::all_of(chain.steps, [](const DecodeResult& step) { return std::isfinite(step.confidence); });
}

void shapeArray(Layout& layout, const DecodeChain& chain) {
    layout.open('[');
    for (const auto& step : chain.steps) {
        layout.element();
        layout.string(rawValue(step.kind));
    }
    layout.close(']');
}

void stepRecord(Layout& layout, const DecodeResult& step) {
    layout.open('{');
    layout.plainKey(R"("confidence" : )");
    layout.number(step.confidence);
    layout.plainKey(R"("details" : )");
    layout.open('{');
    for (const auto& [key, value] : step.details) {
        layout.key(key);
        layout.string(value);
    }
    layout.close('}');
    layout.plainKey(R"("kind" : )");
    layout.string(rawValue(step.kind));
    layout.plainKey(R"("output" : )");
    layout.string(step.output);
    layout.plainKey(R"("summary" : )");
    layout.string(step.summary);
    layout.plainKey(R"("terminal" : )");
    layout.boolean(step.terminal);
    layout.close('}');
}

void chainRecord(Layout& layout, const DecodeChain& chain) {
    layout.open('{');
    layout.plainKey(R"("finalValue" : )");
    layout.string(chain.finalValue());
    layout.plainKey(R"("input" : )");
    layout.string(chain.input);
    layout.plainKey(R"("recognized" : )");
    layout.boolean(chain.isRecognized());
    layout.plainKey(R"("shape" : )");
    shapeArray(layout, chain);
    layout.plainKey(R"("steps" : )");
    layout.open('[');
    for (const auto& step : chain.steps) {
        layout.element();
        stepRecord(layout, step);
    }
    layout.close(']');
    layout.close('}');
}

} // namespace

void write(const DecodeChain& chain, const Sink& sink) {
    if (!isWritable(chain)) {
        sink("{}");
        return;
    }
    std::string buffer;
    std::vector<std::pair<double, std::string>> spelled;
    Layout layout(sink, 0, buffer, spelled);
    chainRecord(layout, chain);
    layout.finish();
}

std::string string(const DecodeChain& chain) {
    std::string document;
    write(chain, [&document](std::string_view piece) { document += piece; });
    return document;
}

FindingWriter::FindingWriter(Sink body) : m_body(std::move(body)) {}

void FindingWriter::add(const ScanFinding& finding) {
    ++m_count;
    // Once one finding cannot be written the document is "{}", and the body is never read.
    if (!m_writable) return;
    if (!isWritable(finding.chain)) {
        m_writable = false;
        return;
    }
    // Two levels deep in the document: inside its object and its "findings" array. One buffer
    // serves every record, so a record's text is not grown from nothing each time.
    Layout layout(m_body, 2, m_buffer, m_spelled);
    layout.raw(m_count > 1 ? ",\n    " : "    ");
    layout.open('{');
    layout.plainKey(R"("chain" : )");
    chainRecord(layout, finding.chain);
    layout.plainKey(R"("line" : )");
    layout.integer(finding.line);
    layout.plainKey(R"("matchedText" : )");
    layout.string(finding.matchedText);
    layout.plainKey(R"("shape" : )");
    shapeArray(layout, finding.chain);
    layout.close('}');
    layout.finish();
}

bool FindingWriter::finish(const Sink& out, const std::function<bool()>& copyBody) const {
    if (!m_writable) {
        out("{}");
        return true;
    }
    if (m_count == 0) {
        out("{\n  \"count\" : 0,\n  \"findings\" : []\n}");
        return true;
    }
    out(head(m_count));
    if (!copyBody()) return false;
    out("\n  ]\n}");
    return true;
}

std::string FindingWriter::head(std::size_t count) {
    return "{\n  \"count\" : " + std::to_string(count) + ",\n  \"findings\" : [\n";
}

std::string string(const std::vector<ScanFinding>& findings) {
    std::string body;
    FindingWriter writer([&body](std::string_view piece) { body += piece; });
    for (const ScanFinding& finding : findings) writer.add(finding);
    std::string document;
    const Sink append = [&document](std::string_view piece) { document += piece; };
    writer.finish(append, [&] {
        append(body);
        return true;
    });
    return document;
}

} // namespace orvel::OrvelJSON
