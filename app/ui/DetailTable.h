#pragma once

#include <QColor>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Card.h"

namespace orvel {

/// A titled two-column table of a step's details: keys on the left, selectable values beside them.
class DetailTable : public Card {
    Q_OBJECT

public:
    using Rows = std::vector<std::pair<std::string, std::string>>;

    /// The table `title` over `rows`, tinted with `tint` (grey when absent).
    DetailTable(const QString& title, const Rows& rows, std::optional<QColor> tint, QWidget* parent = nullptr);
};

} // namespace orvel
