#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvel::JSONUtil {

/// A JSON document in canonical form and the type of its top level.
struct Pretty {
    std::string pretty;   ///< two-space indent, " : ", sorted keys, "/" unescaped
    std::string topLevel; ///< "object" or "array"
};

/// The canonical rendering of an object or array document (trimmed first); absent for scalars,
/// for text that does not start with "{" or "[", and for anything that does not parse.
std::optional<Pretty> prettyPrinted(std::string_view text);

} // namespace orvel::JSONUtil
