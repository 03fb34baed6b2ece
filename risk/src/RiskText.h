#pragma once

#include <chrono>
#include <string>

// Wording shared by the families' reasons.
namespace orvel::RiskText {

/// A span as a reader says it: "42 s", "3 min", "5 h", "12 days" (whole units, rounded down).
std::string span(std::chrono::seconds length);

/// How long ago `instant` was, seen from `now`, in the words and rounding the decoded steps use
/// ("729 days ago"), so that a risk and its step never disagree.
std::string ago(std::chrono::sys_seconds instant, std::chrono::sys_seconds now);

/// `instant` as "2026-06-07T09:14:02Z".
std::string iso(std::chrono::sys_seconds instant);

} // namespace orvel::RiskText
