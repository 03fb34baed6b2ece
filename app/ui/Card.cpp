#include "ui/Card.h"

#include <QPainter>

#include "ui/Style.h"

namespace orvel {

Card::Card(const QColor& fill, const QColor& border, QWidget* parent)
    : QFrame(parent), m_fill(fill), m_border(border) {}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Style::paintRounded(painter, rect(), 10, m_fill, m_border);
}

} // namespace orvel
