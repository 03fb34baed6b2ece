#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The engine's fixed security notes: what a token claim means, what a signing algorithm or a
// hash scheme implies, and how far away an instant is. Detectors put these into their details.
namespace orvel::Explainer {

/// One finding and, when something should be done about it, the next step.
struct Note {
    std::string note;
    std::optional<std::string> nextStep;

    friend bool operator==(const Note&, const Note&) = default;
};

/// The registered JWT claims and their one-line meanings; built once, never changed.
const std::map<std::string, std::string, std::less<>>& jwtClaims();

/// The meaning of the registered claim `name` (case-sensitive), if it is one.
std::optional<std::string> jwtClaim(std::string_view name);

/// What the JWT signing algorithm `alg` implies, matched by family on its lower-case form.
std::optional<std::string> jwtAlgNote(std::string_view alg);

/// The largest count relativeTime writes; farther instants are clamped to it.
inline constexpr std::int64_t maxRelativeCount = std::numeric_limits<std::int64_t>::max();

/// "in 3 days" or "2 hours ago" for an instant `secondsFromNow` away, in whole seconds, minutes,
/// hours or days rounded half away from zero. Infinities are clamped like any value beyond
/// maxRelativeCount days; a NaN has no direction or distance and gives nothing.
std::optional<std::string> relativeTime(double secondsFromNow);

/// The note for a bare digest of `bits` bits: MD5 and SHA-1 sizes are broken, others are fast.
Note digestNote(int bits);

/// The note for the password-hash scheme `algorithm` (case-sensitive); `cost` is read for bcrypt
/// only. Nothing for schemes this catalogue does not know.
std::optional<Note> passwordHashNote(std::string_view algorithm, std::optional<std::string_view> cost);

} // namespace orvel::Explainer
