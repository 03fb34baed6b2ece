#pragma once

#include <optional>
#include <string_view>

#include "orvel/DecodeResult.h"
#include "text/Bytes.h"

namespace orvel {

/// The step shared by the text alphabets (base64, base32, base58, hex): `bytes` decoded from
/// `candidate` become the next pass's text when they are readable UTF-8 that differs from the
/// candidate, summarised as "<label> → N bytes of text". Anything else declines.
std::optional<DecodeResult> alphabetTextStep(DetectionKind kind, std::string_view label, double confidence,
                                             std::string_view candidate, const std::optional<ByteString>& bytes);

} // namespace orvel
