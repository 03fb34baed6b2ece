#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "text/Bytes.h"

// A forgiving tag-length-value walker over DER bytes. It never fails: a damaged encoding reads
// as fewer elements, and no offset is used before it is checked against the bytes.
namespace orvel::DER {

/// The identifier octets the certificate and key readers look for.
namespace Tag {
inline constexpr std::uint8_t boolean = 0x01;
inline constexpr std::uint8_t integer = 0x02;
inline constexpr std::uint8_t bitString = 0x03;
inline constexpr std::uint8_t octetString = 0x04;
inline constexpr std::uint8_t objectIdentifier = 0x06;
inline constexpr std::uint8_t utcTime = 0x17;
inline constexpr std::uint8_t generalizedTime = 0x18;
inline constexpr std::uint8_t sequence = 0x30;
inline constexpr std::uint8_t explicitVersion = 0xA0; ///< a certificate's [0] version
inline constexpr std::uint8_t extensions = 0xA3;      ///< a certificate's [3] extensions
} // namespace Tag

/// Half-open range [lower, upper) of byte offsets.
struct Range {
    std::size_t lower = 0;
    std::size_t upper = 0;
    friend bool operator==(const Range&, const Range&) = default;
};

/// One element: its whole identifier octet (0x30 SEQUENCE, 0xA3 context tag 3...) and where
/// its value octets lie.
struct Node {
    std::uint8_t tag = 0;
    Range content;
    friend bool operator==(const Node&, const Node&) = default;
};

/// An element and the offset just past it.
struct Element {
    Node node;
    std::size_t end = 0;
    friend bool operator==(const Element&, const Element&) = default;
};

/// The element starting at `offset`: single-octet tag, short or 1...4-octet long-form length
/// (non-minimal forms accepted). Absent when it does not fit in `bytes` or uses the indefinite form.
std::optional<Element> read(const ByteString& bytes, std::size_t offset);

/// The elements that follow one another from `range.lower`, until one ends at or past
/// `range.upper`, one cannot be read, or Limits::maxDERChildren have been listed. The last may
/// overrun `range` (it is bounded only by `bytes`).
std::vector<Node> children(const ByteString& bytes, Range range);

} // namespace orvel::DER
