#pragma once

#include <QString>

// Shortening texts for display without splitting a surrogate pair.
namespace orvel::TextCut {

/// The first `length` UTF-16 units of `text`, one fewer where the last would split a pair.
QString beginning(const QString& text, qsizetype length);
/// The last `length` UTF-16 units of `text`, one fewer where the first would split a pair.
QString ending(const QString& text, qsizetype length);

} // namespace orvel::TextCut
