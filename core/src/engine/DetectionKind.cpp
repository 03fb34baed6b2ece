#include "orvel/DetectionKind.h"

#include <utility>

namespace orvel {
namespace {

// One table drives the raw values, the reverse lookup and the list of all kinds.
constexpr std::array<std::pair<DetectionKind, std::string_view>, 20> kKinds{{
    {DetectionKind::base64, "base64"},
    {DetectionKind::base64url, "base64url"},
    {DetectionKind::base32, "base32"},
    {DetectionKind::base58, "base58"},
    {DetectionKind::url, "url"},
    {DetectionKind::json, "json"},
    {DetectionKind::jwt, "jwt"},
    {DetectionKind::unixTimestamp, "unixTimestamp"},
    {DetectionKind::uuid, "uuid"},
    {DetectionKind::hex, "hex"},
    {DetectionKind::gzip, "gzip"},
    {DetectionKind::zlib, "zlib"},
    {DetectionKind::pem, "pem"},
    {DetectionKind::queryString, "queryString"},
    {DetectionKind::htmlEntities, "htmlEntities"},
    {DetectionKind::unicodeEscape, "unicodeEscape"},
    {DetectionKind::plist, "plist"},
    {DetectionKind::hash, "hash"},
    {DetectionKind::xml, "xml"},
    {DetectionKind::yaml, "yaml"},
}};

constexpr bool tableFollowsDeclarationOrder() {
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (static_cast<std::size_t>(kKinds[i].first) != i) return false;
    }
    return true;
}
static_assert(tableFollowsDeclarationOrder(), "kKinds must list the kinds in declaration order");

} // namespace

const std::array<DetectionKind, 20>& allDetectionKinds() {
    static const std::array<DetectionKind, 20> kinds = [] {
        std::array<DetectionKind, 20> all{};
        for (std::size_t i = 0; i < kKinds.size(); ++i) all[i] = kKinds[i].first;
        return all;
    }();
    return kinds;
}

std::string_view rawValue(DetectionKind kind) { return kKinds[static_cast<std::size_t>(kind)].second; }

std::optional<DetectionKind> kindFromRawValue(std::string_view raw) {
    for (const auto& [kind, name] : kKinds) {
        if (name == raw) return kind;
    }
    return std::nullopt;
}

} // namespace orvel
