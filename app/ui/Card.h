#pragma once

#include <QColor>
#include <QFrame>

namespace orvel {

/// A container drawn as a rounded rectangle: a fill, an optional border, content in its layout.
class Card : public QFrame {
    Q_OBJECT

public:
    /// A card filled with `fill` and outlined in `border` (transparent for none).
    explicit Card(const QColor& fill, const QColor& border = Qt::transparent, QWidget* parent = nullptr);

protected:
    /// Draws the rounded rectangle behind the content.
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    QColor m_border;
};

} // namespace orvel
