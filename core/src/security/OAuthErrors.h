#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// The standard error codes of OAuth 2.0 (RFC 6749), bearer tokens (RFC 6750) and OpenID
// Connect, each explained for the developer who pasted a failing redirect or response.
namespace orvel::OAuthErrors {

/// What one error code says, why it usually happens and what to try.
struct Info {
    std::string meaning;
    std::string likelyCause;
    std::string nextStep;

    friend bool operator==(const Info&, const Info&) = default;
};

/// Every known code with its explanation; built once, never changed.
const std::map<std::string, Info, std::less<>>& table();

/// The explanation of `code`, matched exactly (no trimming, no case folding).
std::optional<Info> lookup(std::string_view code);

} // namespace orvel::OAuthErrors
