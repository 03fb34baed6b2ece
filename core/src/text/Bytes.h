#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvel/TextShape.h"

namespace orvel {

/// An owned, contiguous sequence of bytes.
using ByteString = std::vector<std::uint8_t>;

} // namespace orvel

namespace orvel::Bytes {

/// Hexadecimal text to bytes: absent on an odd length or a non-digit pair; empty text gives no bytes.
std::optional<ByteString> hex(std::string_view text);

/// Strict RFC 4648 base64: standard alphabet, padded form (length a multiple of 4, at most two
/// "=" at the end), nothing outside the alphabet. Absent on any violation.
std::optional<ByteString> base64(std::string_view text);

/// URL-safe base64 with optional padding: "-" and "_" become "+" and "/", missing padding is
/// added, then decoded strictly. Absent when the length leaves a remainder of 1 modulo 4.
std::optional<ByteString> base64url(std::string_view text);

/// RFC 4648 base32 (upper-case alphabet): "=" is skipped anywhere, trailing partial bits are
/// dropped; absent on any other character outside the alphabet.
std::optional<ByteString> base32(std::string_view text);

/// The big-endian bytes of the base58 number `text` (the Bitcoin alphabet), one zero byte per
/// leading "1"; absent on a character outside the alphabet. Quadratic in the length of `text`:
/// callers cap it.
std::optional<ByteString> base58(std::string_view text);

/// Bytes found inside a textual wrapper and the wrapper's name.
struct Unwrapped {
    ByteString data;
    std::string wrapper; ///< "base64", "base64url" or "hex"
};

/// The bytes inside a base64, base64url or hex wrapper, tried in that order; the first wrapper
/// that matches and decodes wins. Absent for trimmed texts shorter than 8 characters.
std::optional<Unwrapped> fromWrapper(std::string_view text);

/// How many leading bytes an OpeningTest is shown.
inline constexpr std::size_t kOpeningBytes = 6;

/// Could bytes that begin with `head` (their first kOpeningBytes) be one container?
using OpeningTest = bool (*)(std::span<const std::uint8_t> head);

/// Every reading of `text` (trimmed, at least 8 characters) as base64, base64url and hex, in that
/// order, that matches its alphabet and decodes. Container detectors take the first reading under
/// which their container opens: hex of a length divisible by 4 is valid base64 too. With `opens`,
/// a reading whose first bytes fail it is left out before the rest is decoded.
std::vector<Unwrapped> wrappedCandidates(std::string_view text, OpeningTest opens = nullptr);

/// The shapes of the texts that wrap, in base64, base64url or hex, bytes whose first byte
/// `mayStart` admits: a wrapper's first character spells the top bits of the first byte.
std::vector<TextShape> wrapperShapes(bool (*mayStart)(std::uint8_t firstByte));

/// Every "%" followed by two hex digits decoded to its byte, once; absent when a "%" is not
/// followed by two hex digits or the bytes are not UTF-8. "+" stays "+" (form encoding of
/// blanks is not assumed).
std::optional<std::string> percentDecoded(std::string_view text);

/// The bytes as text when they are valid UTF-8.
std::optional<std::string> utf8Text(const ByteString& bytes);

} // namespace orvel::Bytes
