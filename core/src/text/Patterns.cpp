#include "text/Patterns.h"

#include <mutex>
#include <optional>
#include <utility>

namespace orvel::Patterns {

const Regex& compiled(Id id) {
    static const auto regexes = []<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<Regex, sizeof...(I)>{Regex(kAll[I].pattern)...};
    }
    (std::make_index_sequence<kAll.size()>());
    return regexes[static_cast<std::size_t>(id)];
}

const Regex& compiledForASCII(Id id) {
    // One at a time: only the scanner's few need them.
    static std::array<std::once_flag, kAll.size()> compiledOnce;
    static std::array<std::optional<Regex>, kAll.size()> regexes;
    const auto row = static_cast<std::size_t>(id);
    std::call_once(compiledOnce[row], [&] { regexes[row].emplace(kAll[row].pattern, CharacterMeanings::ascii); });
    return *regexes[row];
}

} // namespace orvel::Patterns
