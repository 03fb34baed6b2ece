#pragma once

#include <chrono>
#include <cstddef>

// Every resource cap of the engine, in one place. Each is far above what a realistic artifact
// needs and only keeps hostile input from taking unbounded time, memory or stack.
namespace orvel::Limits {

/// Larger texts are not inspected at all.
inline constexpr std::size_t maxInspectBytes = std::size_t{16} << 20;
/// `orvel scan` reads no larger input. A scan holds the text and about as much again (a 50 MB
/// log peaked at 105 MB), so the cap keeps a device or a stray disk image from taking the
/// machine's memory while leaving room for any log worth scanning in one go.
inline constexpr std::size_t maxScanBytes = std::size_t{1} << 30;
/// A chain stops peeling once its steps hold this much output together. Each inflation is
/// capped on its own, but a few kilobytes can nest one compressed layer inside another, each
/// near that cap, and the chain would grow by the step cap on every pass.
inline constexpr std::size_t maxChainOutputBytes = std::size_t{64} << 20;
/// Deeper JSON documents are not parsed (the reader and writer stay off the stack's edge).
inline constexpr int maxJSONDepth = 512;

/// An inflation that reaches this many bytes is refused. It is where the last of the ten
/// four-fold buffers of the unhinted attempt loop overflows; a gzip size hint may promise more,
/// but it is read from the untrusted stream, so it never raises the bound.
inline constexpr std::size_t maxInflatedBytesPerStep = std::size_t{16} << 20;
/// Longer base58 texts are not decoded: decoding is quadratic in the length, and real base58
/// tokens (addresses, keys, content ids) are a few dozen characters.
inline constexpr std::size_t maxBase58InputBytes = std::size_t{8} << 10;

/// A DER element lists at most this many children. The X.509 walk is a fixed number of levels
/// deep, so nesting costs nothing, but a 12 MiB body of two-byte elements would otherwise
/// become millions of nodes; the longest real lists (SAN names) hold a few thousand.
inline constexpr std::size_t maxDERChildren = std::size_t{1} << 16;

/// A query string with more pairs is declined. Every pair becomes a detail of its own, about a
/// hundred bytes against the few it takes in the text, so a long run of tiny pairs would be
/// held many times over; servers themselves refuse more than about a thousand parameters.
inline constexpr std::size_t maxQueryStringPairs = 10'000;

/// Deeper XML documents are declined. libxml2 itself refuses more than 257 levels unless told
/// XML_PARSE_HUGE, which we never pass; our own walk over the tree keeps to its default.
inline constexpr int maxXMLDepth = 256;
/// An XML start tag with more attributes is declined: libxml2 checks each attribute against
/// every earlier one and appends it to the end of a list, so a tag costs the square of its
/// attributes (40,000 on one element took 19 s). Real elements carry a few dozen at most.
inline constexpr std::size_t maxXMLAttributes = 1000;
/// XML documents with more elements, attributes, comments, processing instructions and CDATA
/// sections together are declined: libxml2 spends well over a hundred bytes on each node, so
/// 16 MiB of empty elements would take gigabytes. A 16 MiB real document has a few hundred
/// thousand.
inline constexpr std::size_t maxXMLNodes = std::size_t{1} << 20;
/// XML documents that declare more namespaces on the elements open at one time are declined:
/// libxml2 looks each prefixed name up through every declaration in scope (100,000 in scope and
/// 100,000 elements took 118 s). Office documents, the busiest, declare about 40 on the root.
inline constexpr std::size_t maxXMLNamespaces = 128;
/// Deeper property lists are not parsed: libplist's readers and writer recurse once per level.
inline constexpr int maxPlistDepth = 512;
/// Property lists with more nodes are not parsed. A binary one can refer to one object from many
/// places, so a few hundred bytes can describe billions of nodes, and libplist would build them
/// all; an XML one has no sharing, but libplist's dictionaries grow worse than linearly (400,000
/// keys took 3.9 s). Real ones have hundreds to a few thousand.
inline constexpr std::size_t maxPlistNodes = std::size_t{1} << 18;

/// A scan declines a candidate whose inspection runs longer than this, plus
/// scanCandidateTimePerMiB for each MiB of it. Real artifacts take microseconds and a 16 MiB
/// document well under a second, so only a pathological stretch reaches it; one such stretch
/// can then never stall the rest of a scan.
inline constexpr std::chrono::milliseconds scanCandidateTime{250};
inline constexpr std::chrono::milliseconds scanCandidateTimePerMiB{250};

} // namespace orvel::Limits
