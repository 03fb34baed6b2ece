#pragma once

// Compression with zlib for building test and benchmark inputs that no fixture should hold
// (streams of an exact output size, bombs); the engine itself only inflates.
#include <cstdint>
#include <string>
#include <string_view>

#include <zlib.h>

namespace orvel::testing {

enum class Framing { raw, zlib, gzip };

/// `piece` repeated `times` times, compressed at level 9 in the given framing. The repetition is
/// fed piece by piece, so a gibibyte of zeros never sits in memory.
inline std::string compress(std::string_view piece, Framing framing, std::uint64_t times = 1) {
    const int windowBits = framing == Framing::raw ? -MAX_WBITS : framing == Framing::zlib ? MAX_WBITS : MAX_WBITS + 16;
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    std::string input(piece);
    std::string output;
    char chunk[1 << 16];
    for (std::uint64_t round = 0; round <= times; ++round) {
        // One round past the pieces finishes the stream.
        const bool last = round == times;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = last ? 0 : static_cast<uInt>(input.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(chunk);
            stream.avail_out = sizeof chunk;
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            output.append(chunk, sizeof chunk - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return output;
}

} // namespace orvel::testing
