#pragma once

// The texts that stress the scanner's candidate sources, by shape: ScanBench times them at two
// sizes (bench/scan-scaling checks the ratio) and the scanner's differential test scans them.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace orvel::bench {

/// `unit` repeated until the text holds at least `bytes` bytes.
inline std::string repeatedUnit(std::string_view unit, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) text += unit;
    return text;
}

struct AdversarialScan {
    std::string_view name;
    std::string (*make)(std::size_t bytes);
};

inline constexpr std::array<AdversarialScan, 6> kAdversarialScans{{
    {"{", [](std::size_t bytes) { return std::string(bytes, '{'); }},
    {"[INFO] ", [](std::size_t bytes) { return repeatedUnit("[INFO] ", bytes); }},
    {"eyJ+letters", [](std::size_t bytes) { return "eyJ" + std::string(bytes, 'a'); }},
    {"a=", [](std::size_t bytes) { return repeatedUnit("a=", bytes); }},
    {"base64 run",
     [](std::size_t bytes) {
         return repeatedUnit("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", bytes);
     }},
    {"BEGIN lines", [](std::size_t bytes) { return repeatedUnit("-----BEGIN X-----\n", bytes); }},
}};

} // namespace orvel::bench
