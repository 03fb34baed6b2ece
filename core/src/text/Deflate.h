#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "text/Bytes.h"

// Container framing of gzip (RFC 1952) and zlib (RFC 1950) streams, and raw DEFLATE (RFC 1951).
// Checksums are never verified: a stream whose body inflates is accepted.
namespace orvel::Deflate {

/// The DEFLATE body of a gzip member and its ISIZE trailer field.
struct GzipBody {
    ByteString body;
    std::uint32_t isize = 0; ///< uncompressed size modulo 2^32, as the stream claims it
};

/// Do bytes that begin with `head` open a gzip member (magic and method)?
bool opensAsGzip(std::span<const std::uint8_t> head);

/// Do bytes that begin with `head` open a zlib stream (method, header check, no preset dictionary)?
bool opensAsZlib(std::span<const std::uint8_t> head);

/// The body of a gzip member: header (with its optional fields) and 8-byte trailer cut off.
/// Absent for fewer than 18 bytes, a wrong magic or method, or a header that runs past the end.
std::optional<GzipBody> stripGzip(std::span<const std::uint8_t> data);

/// The body of a zlib stream: 2-byte header and 4-byte trailer cut off. Absent for fewer than 6
/// bytes, a method other than deflate, a failed header check or a preset dictionary.
std::optional<ByteString> stripZlib(std::span<const std::uint8_t> data);

/// The output of the complete raw DEFLATE stream `data`; absent when it is corrupt or cut short,
/// produces nothing, or reaches the final capacity of ten four-fold attempts starting at `hint`
/// (64 bytes without a hint), bounded by Limits::maxInflatedBytesPerStep.
std::optional<ByteString> inflate(std::span<const std::uint8_t> data, std::optional<std::uint64_t> hint);

} // namespace orvel::Deflate
