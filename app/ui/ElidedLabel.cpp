#include "ui/ElidedLabel.h"

#include <QPainter>

#include <algorithm>

#include "ui/TextCut.h"

namespace orvel {

namespace {

// A matched text can be megabytes long; eliding it on every paint would stall scrolling, and
// no window is wide enough to show more than its two ends anyway.
constexpr qsizetype keptEnd = 300;

// `text` on one line, its middle cut beyond what any window shows.
QString oneLine(QString text) {
    if (text.size() > 2 * keptEnd + 1)
        text = TextCut::beginning(text, keptEnd) + QChar(0x2026) + TextCut::ending(text, keptEnd);
    for (QChar& character : text)
        if (character == u'\n' || character == u'\r' || character == u'\t') character = u' ';
    return text;
}

} // namespace

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(text, parent), m_oneLine(oneLine(text)) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ElidedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return {std::min(fontMetrics().horizontalAdvance(m_oneLine), 480) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("……")) * 4, sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(m_oneLine, Qt::ElideMiddle, area.width());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace orvel
