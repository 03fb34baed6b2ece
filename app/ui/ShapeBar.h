#pragma once

#include <QWidget>

#include <vector>

#include "orvel/DetectionKind.h"

namespace orvel {

/// A chain's shape at a glance: each kind in an accent capsule, arrows between them.
class ShapeBar : public QWidget {
    Q_OBJECT

public:
    /// The bar for `kinds`, in order.
    explicit ShapeBar(const std::vector<DetectionKind>& kinds, QWidget* parent = nullptr);
};

} // namespace orvel
