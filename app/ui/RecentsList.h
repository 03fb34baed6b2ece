#pragma once

#include <QWidget>

#include <functional>

#include "orvel/InspectionHistory.h"

namespace orvel {

/// The recent decodings, newest first, each a button that brings it back; "Clear" forgets them.
class RecentsList : public QWidget {
    Q_OBJECT

public:
    /// Rows for the first `limit` entries of `history`; a row runs `onSelect` with its entry,
    /// "Clear" runs `onClear`.
    RecentsList(const InspectionHistory& history, int limit, std::function<void(const HistoryEntry&)> onSelect,
                std::function<void()> onClear, QWidget* parent = nullptr);
};

} // namespace orvel
