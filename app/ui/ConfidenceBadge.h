#pragma once

#include "ui/Pill.h"

namespace orvel {

/// A step's confidence as a whole percentage on a quiet badge.
class ConfidenceBadge : public Pill {
    Q_OBJECT

public:
    /// The badge for `confidence` (0 to 1): 0.995 shows "100%", 0.004 "0%".
    explicit ConfidenceBadge(double confidence, QWidget* parent = nullptr);
};

} // namespace orvel
