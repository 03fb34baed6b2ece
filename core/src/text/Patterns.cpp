#include "text/Patterns.h"

#include <utility>

namespace orvel::Patterns {

const Regex& compiled(Id id) {
    static const auto regexes = []<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<Regex, sizeof...(I)>{Regex(kAll[I].pattern)...};
    }
    (std::make_index_sequence<kAll.size()>());
    return regexes[static_cast<std::size_t>(id)];
}

} // namespace orvel::Patterns
