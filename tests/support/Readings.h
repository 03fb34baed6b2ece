#pragma once

// Table checks for detectors: each row is a text and what one field of the detector's answer
// should be, or that the detector declines it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orvel/Detector.h"

namespace orvel::testing {

struct Reading {
    std::string text;
    std::optional<std::string> expected; ///< nothing: the detector declines the text
};

inline constexpr std::nullopt_t declines = std::nullopt;

/// Checks every row's `field` (the output unless told otherwise), naming the row that fails.
template <typename Field = std::string DecodeResult::*>
void expectReadings(const Detector& detector, const std::vector<Reading>& rows, Field field = &DecodeResult::output) {
    for (const auto& [text, expected] : rows) {
        const auto result = detector.decode(text);
        const auto actual = result ? std::optional<std::string>(std::invoke(field, *result)) : std::nullopt;
        EXPECT_EQ(actual, expected) << "for " << ::testing::PrintToString(text);
    }
}

/// Checks that `detector` declines every text, naming the one it does not.
inline void expectDeclines(const Detector& detector, const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        EXPECT_FALSE(detector.decode(text)) << "for " << ::testing::PrintToString(text);
}

/// The value of one detail, for expectReadings.
inline auto detail(std::string key) {
    return [key = std::move(key)](const DecodeResult& result) { return result.details.at(key); };
}

} // namespace orvel::testing
