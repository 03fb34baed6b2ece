#pragma once

#include "model/InspectorModel.h"
#include "ui/Card.h"

namespace orvel {

/// The plain-English explanation of the chain: a progress line while it is being written, then
/// its text and where it came from. Hidden when there is nothing to explain.
class ExplanationCard : public Card {
    Q_OBJECT

public:
    /// The card for `state`.
    explicit ExplanationCard(const InspectorModel::Explanation& state, QWidget* parent = nullptr);
};

} // namespace orvel
