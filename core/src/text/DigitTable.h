#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace orvel {

/// What a digit table holds for a byte outside its alphabet.
inline constexpr int kNotInAlphabet = -1;

/// The value of every byte as a digit of `alphabet` (its position there), kNotInAlphabet for
/// every other byte: one lookup per character for the positional decoders.
constexpr std::array<int, 256> digitTable(std::string_view alphabet) {
    std::array<int, 256> values{};
    values.fill(kNotInAlphabet);
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<int>(i);
    return values;
}

} // namespace orvel
