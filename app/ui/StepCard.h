#pragma once

#include "orvel/DecodeResult.h"
#include "ui/Card.h"

namespace orvel {

/// One decoding step: its position, kind and confidence, its summary, its facts and notes.
class StepCard : public Card {
    Q_OBJECT

public:
    /// The card for `step`, the `index`-th (from 1) of its chain.
    StepCard(int index, const DecodeResult& step, QWidget* parent = nullptr);
};

} // namespace orvel
