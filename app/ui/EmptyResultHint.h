#pragma once

#include <QWidget>

namespace orvel {

/// What the result area shows when there is nothing to show: a large symbol above a sentence.
class EmptyResultHint : public QWidget {
    Q_OBJECT

public:
    /// The symbol `systemImage` above `text`, centred across the full width.
    EmptyResultHint(const QString& systemImage, const QString& text, QWidget* parent = nullptr);
};

} // namespace orvel
