// Fuzzes the base58 decoder against the textbook one (multiply by 58 and add, one digit at a
// time), up to the input cap.
#include <cstdint>
#include <optional>
#include <string_view>

#include "Require.h"
#include "text/Bytes.h"

namespace {

constexpr std::string_view alphabet = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";

std::optional<orvel::ByteString> textbookDecode(std::string_view text) {
    orvel::ByteString number; // little-endian base 256
    for (const char c : text) {
        const std::size_t digit = alphabet.find(c);
        if (digit == std::string_view::npos) return std::nullopt;
        unsigned carry = static_cast<unsigned>(digit);
        for (std::uint8_t& byte : number) {
            carry += byte * 58u;
            byte = static_cast<std::uint8_t>(carry);
            carry >>= 8;
        }
        for (; carry; carry >>= 8) number.push_back(static_cast<std::uint8_t>(carry));
    }
    const std::size_t ones = text.find_first_not_of('1');
    orvel::ByteString bytes(ones == std::string_view::npos ? text.size() : ones, 0);
    bytes.insert(bytes.end(), number.rbegin(), number.rend());
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.empty() || text.size() > 512) return 0;
    orvel::fuzzing::require(orvel::Bytes::base58(text) == textbookDecode(text));
    return 0;
}
