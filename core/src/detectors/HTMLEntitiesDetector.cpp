#include "detectors/HTMLEntitiesDetector.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <utility>

#include "detectors/EscapeWalk.h"
#include "orvel/Unicode.h"
#include "text/Patterns.h"

namespace orvel {
namespace {

struct NamedEntity {
    std::string_view name;
    std::string_view replacement;
};

// Only the references people actually paste; anything else stays as written.
constexpr std::array<NamedEntity, 12> kNamedEntities{{
    {"amp", "&"},
    {"lt", "<"},
    {"gt", ">"},
    {"quot", "\""},
    {"apos", "'"},
    {"nbsp", "\u00A0"},
    {"copy", "\u00A9"},
    {"reg", "\u00AE"},
    {"hellip", "\u2026"},
    {"mdash", "\u2014"},
    {"ndash", "\u2013"},
    {"trade", "\u2122"},
}};

constexpr std::size_t kLongestName =
    std::ranges::max(kNamedEntities, {}, [](const NamedEntity& entity) { return entity.name.size(); }).name.size();

/// The scalar named by a numeric reference's digits, or nothing when they are not all digits of
/// `base`, overflow 32 bits, or name a surrogate or a value above U+10FFFF.
std::optional<char32_t> numericScalar(std::string_view digits, int base) {
    std::uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    // from_chars would accept a sign or stop early; only a complete run of digits counts.
    if (digits.empty() || digits.front() == '-' || digits.front() == '+' || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return static_cast<char32_t>(value);
}

/// Appends the replacement of the reference `name` (the text between "&" and ";"); false when
/// it names nothing we resolve.
bool appendEntity(std::string& out, std::string_view name) {
    if (name.starts_with('#')) {
        const bool hexadecimal = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const auto scalar = numericScalar(name.substr(hexadecimal ? 2 : 1), hexadecimal ? 16 : 10);
        if (!scalar) return false;
        Unicode::appendUTF8(out, *scalar);
        return true;
    }
    // The length test first keeps a long run of text before a ";" from being compared at all.
    if (name.size() > kLongestName) return false;
    const auto* entity = std::ranges::find(kNamedEntities, name, &NamedEntity::name);
    if (entity == kNamedEntities.end()) return false;
    out += entity->replacement;
    return true;
}

/// The first `c` at or after `from` that is a character of its own: an "&" or ";" joined to a
/// combining mark, joiner or prepended sign is another character. A mark after "#" or inside a
/// name needs no test here: it puts a non-ASCII byte into the name, which then names nothing.
std::size_t findWhole(std::string_view text, char c, std::size_t from) {
    for (std::size_t at = text.find(c, from); at != std::string_view::npos; at = text.find(c, at + 1)) {
        if (Unicode::isWholeCharacter(text, at)) return at;
    }
    return std::string_view::npos;
}

} // namespace

std::optional<DecodeResult> HTMLEntitiesDetector::decodeWith(std::string_view text, const DecodeContext&) const {
    if (!Patterns::compiled(Patterns::Id::htmlReference).matches(text)) return std::nullopt;

    // Only an "&" and a ";" that stand alone count. The first ";" at or after a position only
    // moves forward, so it is searched for once per ";" rather than once per "&": a long run of
    // "&" without a ";" stays linear.
    std::size_t semicolon = findWhole(text, ';', 0);
    const auto nextAmpersand = [&](std::size_t from) { return findWhole(text, '&', from); };
    const auto replace = [&](std::size_t ampersand, std::string& out) -> std::size_t {
        if (semicolon != std::string_view::npos && semicolon < ampersand) semicolon = findWhole(text, ';', ampersand);
        if (semicolon == std::string_view::npos ||
            !appendEntity(out, text.substr(ampersand + 1, semicolon - ampersand - 1))) {
            return 0;
        }
        const std::size_t length = semicolon + 1 - ampersand;
        semicolon = findWhole(text, ';', semicolon + 1);
        return length;
    };
    return unescapedStep(DetectionKind::htmlEntities, "HTML entities", HTMLEntitiesDetector::kConfidence, text,
                         unescape(text, nextAmpersand, replace));
}

std::vector<TextShape> HTMLEntitiesDetector::acceptedShapes() const { return {{.mustContain = ByteSet("&;")}}; }

} // namespace orvel
