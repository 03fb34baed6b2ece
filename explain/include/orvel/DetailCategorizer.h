#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orvel/DecodeResult.h"

namespace orvel {

/// Whether a detail key names an engine note (meaning, advice, relative time) rather than a fact.
bool isExplanationKey(std::string_view key);

/// One step's details split into plain facts and engine notes, each in ascending key order.
struct DetailCategorizer {
    explicit DetailCategorizer(const Details& details);

    std::vector<std::pair<std::string, std::string>> facts;
    std::vector<std::pair<std::string, std::string>> notes;
};

} // namespace orvel
