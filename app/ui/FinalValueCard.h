#pragma once

#include "ui/Card.h"

namespace orvel {

/// The chain's final value, selectable and scrollable, with a button that copies it.
class FinalValueCard : public Card {
    Q_OBJECT

public:
    /// The card for `value`.
    explicit FinalValueCard(const QString& value, QWidget* parent = nullptr);
};

} // namespace orvel
