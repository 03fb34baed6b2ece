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
        // A count below 15 fits in the marker byte; a larger one follows it as a 4-byte integer.
        out += references.size() < 15 ? std::string(1, static_cast<char>(0xA0 | references.size())) : "\xAF\x12";
        if (references.size() >= 15) appendBigEndian(out, references.size(), 4);
        for (const std::uint32_t reference : references) appendBigEndian(out, reference, 4);
    }
    const std::uint64_t offsetTable = out.size();
    for (const std::uint64_t offset : offsets) appendBigEndian(out, offset, 4);
    out += std::string(6, '\0') + "\x04\x04";
    // The trailer: the object count, the root object and where the offset table starts.
    for (const std::uint64_t field : {std::uint64_t{arrays.size()}, std::uint64_t{0}, offsetTable}) {
        appendBigEndian(out, field, 8);
    }
    return out;
}

} // namespace orvel::testing
