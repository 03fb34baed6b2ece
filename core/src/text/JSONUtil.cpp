#include "text/JSONUtil.h"

#include "text/JSON.h"
#include "text/Text.h"

namespace orvel::JSONUtil {

std::optional<Pretty> prettyPrinted(std::string_view text) {
    const std::string_view document = Text::trimmed(text);
    if (document.empty() || (document.front() != '{' && document.front() != '[')) return std::nullopt;
    auto pretty = JSON::reformat(document, {.pretty = true, .escapeSlashes = false});
    if (!pretty) return std::nullopt;
    return Pretty{std::move(*pretty), document.front() == '[' ? "array" : "object"};
}

} // namespace orvel::JSONUtil
