#include "text/Deflate.h"

#include <algorithm>
#include <climits>
#include <memory>

// Input is never written through; let zlib's headers say so.
#define ZLIB_CONST
#include <zlib.h>

#include "orvel/Limits.h"

namespace orvel::Deflate {
namespace {

constexpr std::uint8_t kGzipExtra = 0x04;
constexpr std::uint8_t kGzipName = 0x08;
constexpr std::uint8_t kGzipComment = 0x10;
constexpr std::uint8_t kGzipHeaderCRC = 0x02;
constexpr std::uint8_t kZlibPresetDictionary = 0x20;

// The attempt loop this reproduces starts at 64 bytes (or the hint above that) and makes ten
// attempts, each with a buffer four times the last.
constexpr std::uint64_t kSmallestCapacity = 64;
constexpr unsigned kGrowthBits = 2 * (10 - 1);
// Output arrives in steps of this size, so memory follows what the stream actually produces.
constexpr std::size_t kOutputStep = std::size_t{64} << 10;

// The output size at which the attempt loop gives up (its last buffer filled), or our cap if
// that comes first. Compared before shifting, so a hint near 2^64 cannot overflow.
std::size_t finalCapacity(std::optional<std::uint64_t> hint) {
    const std::uint64_t first = hint && *hint > kSmallestCapacity ? *hint : kSmallestCapacity;
    if (first > (Limits::maxInflatedBytesPerStep >> kGrowthBits)) return Limits::maxInflatedBytesPerStep;
    return static_cast<std::size_t>(first << kGrowthBits);
}

struct InflateEnd {
    void operator()(z_stream* stream) const { inflateEnd(stream); }
};

} // namespace

bool opensAsGzip(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 8;
}

bool opensAsZlib(std::span<const std::uint8_t> head) {
    if (head.size() < 2) return false;
    const std::uint8_t method = head[0];
    const std::uint8_t flags = head[1];
    return (method & 0x0F) == 8 && (method * 256 + flags) % 31 == 0 && !(flags & kZlibPresetDictionary);
}

std::optional<GzipBody> stripGzip(std::span<const std::uint8_t> data) {
    if (data.size() < 18 || !opensAsGzip(data)) return std::nullopt;
    const std::uint8_t flags = data[3];
    std::size_t pos = 10;
    if (flags & kGzipExtra) pos = 12 + (data[10] | std::size_t{data[11]} << 8);
    // A name or comment runs to its zero byte; a missing terminator ends the header at the end of
    // the data, which then has no room left for a trailer.
    const auto skipZeroTerminated = [&] {
        if (pos < data.size())
            pos = std::find(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end(), 0) - data.begin();
        ++pos;
    };
    if (flags & kGzipName) skipZeroTerminated();
    if (flags & kGzipComment) skipZeroTerminated();
    if (flags & kGzipHeaderCRC) pos += 2;
    if (data.size() < pos + 8) return std::nullopt;

    const std::size_t trailer = data.size() - 8;
    const std::uint32_t isize = data[trailer + 4] | std::uint32_t{data[trailer + 5]} << 8 |
                                std::uint32_t{data[trailer + 6]} << 16 | std::uint32_t{data[trailer + 7]} << 24;
    return GzipBody{ByteString(data.begin() + static_cast<std::ptrdiff_t>(pos),
                               data.begin() + static_cast<std::ptrdiff_t>(trailer)),
                    isize};
}

std::optional<ByteString> stripZlib(std::span<const std::uint8_t> data) {
    if (data.size() < 6 || !opensAsZlib(data)) return std::nullopt;
    return ByteString(data.begin() + 2, data.end() - 4);
}

std::optional<ByteString> inflate(std::span<const std::uint8_t> data, std::optional<std::uint64_t> hint) {
    if (data.empty()) return std::nullopt;
    const std::size_t capacity = finalCapacity(hint);

    z_stream stream{};
    // Negative window bits: a raw stream, no zlib or gzip framing.
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
    const std::unique_ptr<z_stream, InflateEnd> guard(&stream);

    ByteString output;
    std::size_t consumed = 0;
    for (;;) {
        if (stream.avail_in == 0 && consumed < data.size()) {
            const std::size_t feed = std::min<std::size_t>(data.size() - consumed, UINT_MAX);
            stream.next_in = data.data() + consumed;
            stream.avail_in = static_cast<uInt>(feed);
            consumed += feed;
        }
        const std::size_t produced = output.size();
        const std::size_t room = std::min(kOutputStep, capacity - produced);
        output.resize(produced + room);
        stream.next_out = output.data() + produced;
        stream.avail_out = static_cast<uInt>(room);
        const int status = ::inflate(&stream, Z_NO_FLUSH);
        output.resize(produced + room - stream.avail_out);
        // The attempt loop retries whenever a buffer fills, so output that fills the last one is
        // taken as cut off even when the stream ends exactly there.
        if (output.size() == capacity) return std::nullopt;
        if (status == Z_STREAM_END) break;
        // Corrupt data, or (Z_BUF_ERROR with room to spare) a stream that stops before its end.
        if (status != Z_OK) return std::nullopt;
    }
    if (output.empty()) return std::nullopt;
    return output;
}

} // namespace orvel::Deflate
