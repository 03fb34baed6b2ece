#pragma once

#include <QColor>
#include <QLabel>

namespace orvel {

/// A short label on a rounded background: a capsule, or a badge with gentler corners.
class Pill : public QLabel {
    Q_OBJECT

public:
    enum class Shape { capsule, badge };

    /// `text` on `fill`, with `horizontal` and `vertical` margins around it.
    Pill(const QString& text, const QColor& fill, Shape shape, int horizontal, int vertical, QWidget* parent = nullptr);

protected:
    /// Draws the rounded background, then the text.
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    Shape m_shape;
};

} // namespace orvel
