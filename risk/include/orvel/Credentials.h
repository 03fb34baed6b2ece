#pragma once

#include "orvel/Risk.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

/// A vendor credential found in a text by its documented shape, a kind the decode engine has none for.
struct CredentialFinding {
    std::size_t offset = 0; ///< first byte of the credential in the text
    std::size_t length = 0; ///< its length in bytes
    std::string vendor;     ///< what it is: "GitHub personal access token"
    Risk risk;              ///< high, "live credential: …", id "credential.github-pat"…

    friend bool operator==(const CredentialFinding&, const CredentialFinding&) = default;
};

/// Every credential in `text` that a vendor's documented prefix, length, alphabet and checksum
/// identify, in text order and non-overlapping. An AWS secret access key counts only next to an
/// access key ID or after a name such as aws_secret_access_key. Linear in the text's length.
std::vector<CredentialFinding> findCredentials(std::string_view text);

/// The credential `text` is, when the whole of it is exactly one credential.
std::optional<CredentialFinding> wholeCredential(std::string_view text);

} // namespace orvel
