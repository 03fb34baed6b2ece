#include "Painter.h"

#include <algorithm>
#include <array>
#include <utility>

#include <fmt/format.h>

namespace orvel::cli {
namespace {

// The kVerdicts the detectors and notes use for a verdict a reader must not miss, and their colours.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kVerdicts{{
    {"EXPIRED", "1;31"},
    {"UNSIGNED", "1;31"},
    {"NOT a password hash", "1;33"},
    {"is low for modern hardware", "1;33"},
    {"broken", "1;33"},
}};

} // namespace

std::string Painter::joinVerdicts(std::string_view text) {
    std::string joined(text);
    for (const auto& [phrase, colour] : kVerdicts) {
        for (std::size_t at = joined.find(phrase); at != std::string::npos; at = joined.find(phrase, at + 1)) {
            std::replace(joined.begin() + static_cast<std::ptrdiff_t>(at),
                         joined.begin() + static_cast<std::ptrdiff_t>(at + phrase.size()), ' ', kJoiner);
        }
    }
    return joined;
}

std::string Painter::paint(std::string_view code, std::string_view text) const {
    if (!m_colour || text.empty()) return std::string(text);
    return fmt::format("\x1b[{}m{}\x1b[0m", code, text);
}

std::string Painter::verdicts(std::string_view text) const {
    if (!m_colour) return std::string(text);
    std::string painted;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t nearest = std::string_view::npos;
        std::size_t which = 0;
        for (std::size_t i = 0; i < kVerdicts.size(); ++i) {
            const std::size_t found = text.find(kVerdicts[i].first, at);
            if (found < nearest) {
                nearest = found;
                which = i;
            }
        }
        if (nearest == std::string_view::npos) break;
        painted.append(text.substr(at, nearest - at));
        painted += paint(kVerdicts[which].second, kVerdicts[which].first);
        at = nearest + kVerdicts[which].first.size();
    }
    painted.append(text.substr(at));
    return painted;
}

} // namespace orvel::cli
