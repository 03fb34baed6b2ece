#pragma once

#include "orvel/ScanFinding.h"
#include "ui/Card.h"

namespace orvel {

/// One artifact found by a scan: its line, the matched text on one line, then its chain.
class FindingCard : public Card {
    Q_OBJECT

public:
    /// The card for `finding`.
    explicit FindingCard(const ScanFinding& finding, QWidget* parent = nullptr);
};

} // namespace orvel
