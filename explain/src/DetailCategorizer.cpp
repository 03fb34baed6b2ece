#include "orvel/DetailCategorizer.h"

#include <algorithm>
#include <array>

namespace orvel {

bool isExplanationKey(std::string_view key) {
    static constexpr std::array<std::string_view, 7> explanationKeys{
        "security", "recommendation", "meaning", "common_causes", "next_step", "next_steps", "checklist"};
    if (std::find(explanationKeys.begin(), explanationKeys.end(), key) != explanationKeys.end()) return true;
    return key.ends_with("_note") || key.ends_with("_meaning") || key.ends_with("_relative");
}

DetailCategorizer::DetailCategorizer(const Details& details) {
    // Details is ordered by key already, so both lists come out in key order.
    for (const auto& entry : details) (isExplanationKey(entry.first) ? notes : facts).push_back(entry);
}

} // namespace orvel
