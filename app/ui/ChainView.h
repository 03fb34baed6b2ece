#pragma once

#include <QWidget>

#include "orvel/DecodeChain.h"

namespace orvel {

/// A decoded chain layer by layer: its shape, one card per step, then the final value; or a
/// line saying it was not recognised.
class ChainView : public QWidget {
    Q_OBJECT

public:
    /// The view of `chain`.
    explicit ChainView(const DecodeChain& chain, QWidget* parent = nullptr);
};

} // namespace orvel
