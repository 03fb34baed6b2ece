#include "ui/RowButton.h"

#include <QLayout>
#include <QPainter>

#include "ui/Style.h"

namespace orvel {

RowButton::RowButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize RowButton::sizeHint() const { return layout() ? layout()->sizeHint() : QSize(); }

QSize RowButton::minimumSizeHint() const { return layout() ? layout()->minimumSize() : QSize(); }

void RowButton::paintEvent(QPaintEvent*) {
    if (!underMouse() && !isDown()) return;
    QPainter painter(this);
    const QColor tint = Style::accent(palette());
    Style::paintRounded(painter, rect(), 6, Style::withOpacity(tint, isDown() ? 0.22 : 0.1), Qt::transparent);
}

} // namespace orvel
