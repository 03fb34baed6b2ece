#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orvel {

/// A set of byte values.
class ByteSet {
public:
    /// The empty set.
    constexpr ByteSet() = default;
    /// The bytes of `members`, where "a-z" between two others stands for the whole range.
    constexpr explicit ByteSet(std::string_view members) {
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i + 2 < members.size() && members[i + 1] == '-') {
                for (int c = byteOf(members[i]); c <= byteOf(members[i + 2]); ++c) add(static_cast<std::uint8_t>(c));
                i += 2;
            } else {
                add(byteOf(members[i]));
            }
        }
    }
    /// Every byte value.
    static constexpr ByteSet all() { return ~ByteSet(); }

    constexpr bool contains(std::uint8_t byte) const { return (m_bits[byte >> 6] >> (byte & 63) & 1) != 0; }
    constexpr bool isAll() const { return *this == all(); }

    constexpr ByteSet operator~() const {
        ByteSet others;
        for (std::size_t i = 0; i < m_bits.size(); ++i) others.m_bits[i] = ~m_bits[i];
        return others;
    }
    friend constexpr bool operator==(const ByteSet&, const ByteSet&) = default;

private:
    static constexpr std::uint8_t byteOf(char c) { return static_cast<std::uint8_t>(c); }
    constexpr void add(std::uint8_t byte) { m_bits[byte >> 6] |= std::uint64_t{1} << (byte & 63); }

    std::array<std::uint64_t, 4> m_bits{};
};

/// A shape a text must have for a detector to accept it, judged on the text with white space
/// trimmed from both ends. A detector that reads its text untrimmed may only declare
/// `mustContain`, and only with bytes that are never part of white space (ASCII other than
/// blanks and line breaks): those occur in a text exactly when they occur in its trim.
struct TextShape {
    /// Every byte of the text is one of these.
    ByteSet alphabet = ByteSet::all();
    /// Each of these bytes occurs in the text.
    ByteSet mustContain = {};
    /// The text starts with one of these. Unless this is every byte, an empty text is ruled out.
    ByteSet firstBytes = ByteSet::all();
};

} // namespace orvel
