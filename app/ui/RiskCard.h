#pragma once

#include <vector>

#include "orvel/Risk.h"
#include "ui/Card.h"

namespace orvel {

/// What is wrong with the artifact, beside its chain: one row per risk with its severity, its
/// reason and where the threshold comes from, tinted by the most severe.
class RiskCard : public Card {
    Q_OBJECT

public:
    /// The card for `risks`, most severe first (not empty).
    explicit RiskCard(const std::vector<Risk>& risks, QWidget* parent = nullptr);

    /// Red for high, amber for medium, the palette's quiet text colour for low and info.
    static QColor colour(RiskSeverity severity, const QPalette& palette);
};

} // namespace orvel
