#pragma once

// The billion-laughs document, for the tests and the benchmarks that show it is never expanded.
#include <string>

namespace orvel::testing {

/// An XML document whose nine nested entities would expand &lol9; to 10^9 "lol"s.
inline std::string billionLaughs() {
    std::string document = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        document += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) document += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        document += "\">\n";
    }
    return document + "]>\n<lolz>&lol9;</lolz>";
}

} // namespace orvel::testing
