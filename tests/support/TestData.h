#pragma once

// Reading the committed fixtures of tests/data (see its README for how each was made).
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace orvel::testing {

/// The bytes of tests/data/`name`, or an empty string when the file is missing.
inline std::string readTestData(std::string_view name) {
    std::ifstream in(std::string(ORVEL_TEST_DATA) + "/" + std::string(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace orvel::testing
