#pragma once

// Hand-built binary property lists for tests: object graphs of arrays that no tool would write
// (deep chains, shared objects, cycles), to probe what the reader bounds before libplist.
#include <cstdint>
#include <string>
#include <vector>

namespace orvel::testing {

inline void appendBigEndian(std::string& out, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

/// A binary property list whose objects are all arrays, each listing the objects it refers to
/// (four-byte references and offsets); object 0 is the root.
inline std::string arraysPlist(const std::vector<std::vector<std::uint32_t>>& arrays) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& references : arrays) {
        offsets.push_back(out.size());
        if (references.size() < 15) {
            out += static_cast<char>(0xA0 | references.size());
        } else {
            out += "\xAF\x12";
            appendBigEndian(out, references.size(), 4);
        }
        for (const std::uint32_t reference : references) appendBigEndian(out, reference, 4);
    }
    const std::uint64_t offsetTable = out.size();
    for (const std::uint64_t offset : offsets) appendBigEndian(out, offset, 4);
    out += std::string(6, '\0') + "\x04\x04";
    appendBigEndian(out, arrays.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, offsetTable, 8);
    return out;
}

} // namespace orvel::testing
