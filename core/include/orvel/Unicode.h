#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Unicode services every part of the engine shares: UTF-8 validity, user-perceived characters
// (extended grapheme clusters, as ICU counts them) and canonical equivalence.
namespace orvel::Unicode {

/// Is `bytes` well-formed UTF-8 (no surrogates, no overlong forms, nothing above U+10FFFF)?
bool isValidUTF8(std::string_view bytes);

/// Is every byte of `bytes` below 0x80? Reads sixteen bytes at a time where there is SSE2.
bool isASCII(std::string_view bytes);

/// `bytes` with every ill-formed sequence replaced by U+FFFD, one per maximal subpart as ICU
/// and WHATWG decoders do; well-formed input comes back unchanged.
std::string toValidUTF8(std::string_view bytes);

/// Appends the scalar value `scalar` (not a surrogate, at most U+10FFFF) to `out` as UTF-8.
void appendUTF8(std::string& out, char32_t scalar);

/// `scalar` as UTF-8.
std::string utf8(char32_t scalar);

/// Number of user-perceived characters in `text`. CR LF counts as one.
std::size_t graphemeCount(std::string_view text);

/// Does a user-perceived character begin or end at byte `offset` of `text`? True at 0 and at
/// text.size(), false inside a code point and past the end.
bool isGraphemeBoundary(std::string_view text, std::size_t offset);

/// Is the byte at `offset` of `text` a user-perceived character of its own? An ASCII syntax
/// character ("&", ";", "\"", ":") joined to a combining mark, joiner or prepended sign is not.
bool isWholeCharacter(std::string_view text, std::size_t offset);

/// The first `count` user-perceived characters of `text` (all of it when it has fewer); never
/// splits a cluster.
std::string_view graphemePrefix(std::string_view text, std::size_t count);

/// `text` cut to `limit` user-perceived characters with "…" appended, or unchanged when it
/// has no more than `limit`.
std::string truncated(std::string_view text, std::size_t limit);

/// Are `a` and `b` canonically equivalent (equal after NFC normalisation)?
bool canonicallyEqual(std::string_view a, std::string_view b);

/// The NFC form of `text`.
std::string nfc(std::string_view text);

/// A hash of the NFC form of `text`: canonically equal texts hash alike. Texts already in NFC,
/// nearly all of them, are hashed without a copy.
std::size_t canonicalHash(std::string_view text);

} // namespace orvel::Unicode
