#include "ui/Pill.h"

#include <QPainter>

#include "ui/Style.h"

namespace orvel {

Pill::Pill(const QString& text, const QColor& fill, Shape shape, int horizontal, int vertical, QWidget* parent)
    : QLabel(text, parent), m_fill(fill), m_shape(shape) {
    setTextFormat(Qt::PlainText);
    setContentsMargins(horizontal, vertical, horizontal, vertical);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Pill::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        const qreal radius = m_shape == Shape::capsule ? height() / 2.0 : 4.0;
        Style::paintRounded(painter, rect(), radius, m_fill, Qt::transparent);
    }
    QLabel::paintEvent(event);
}

} // namespace orvel
