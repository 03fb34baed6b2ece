// Fuzzes raw inflation against zlib's own inflater: an answer is exactly the stream's output,
// below the per-step cap, and a complete stream whose output fits is always answered.
#include <cstdint>
#include <optional>
#include <span>

#include <zlib.h>

#include "Require.h"
#include "orvel/Limits.h"
#include "text/Deflate.h"

using orvel::fuzzing::require;

namespace {

/// zlib's inflation of `data` as one raw stream, absent unless the stream ends (bytes after its
/// end are ignored, as a container's trailer would be) with fewer than `cap` bytes of output.
std::optional<orvel::ByteString> reference(std::span<const std::uint8_t> data, std::size_t cap) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    orvel::ByteString out;
    std::uint8_t chunk[1 << 16];
    int status = Z_OK;
    while (status == Z_OK && out.size() < cap) {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && out.size() < cap ? std::optional(out) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> stream(data, size);
    const auto inflated = orvel::Deflate::inflate(stream, std::nullopt);
    const auto expected = reference(stream, orvel::Limits::maxInflatedBytesPerStep);
    if (inflated) require(inflated->size() < orvel::Limits::maxInflatedBytesPerStep);
    // An empty output is declined; anything else must match zlib byte for byte.
    require(inflated == (expected && !expected->empty() ? expected : std::nullopt));
    return 0;
}
