#include "tray/ClampedText.h"

#include <QPainter>
#include <QTextLayout>

namespace orvel {

ClampedText::ClampedText(int maximumLines, QWidget* parent) : QWidget(parent), m_maximumLines(maximumLines) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ClampedText::setText(const QString& text) {
    m_text = text;
    updateGeometry();
    update();
}

int ClampedText::heightForWidth(int width) const {
    return static_cast<int>(linesFor(width).size()) * fontMetrics().lineSpacing();
}

QSize ClampedText::sizeHint() const {
    // Layouts ask heightForWidth() at the width they settle on; this is only a starting point.
    const int preferredWidth = fontMetrics().averageCharWidth() * 40;
    return {preferredWidth, heightForWidth(preferredWidth)};
}

QSize ClampedText::minimumSizeHint() const { return {0, fontMetrics().lineSpacing()}; }

void ClampedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const auto metrics = fontMetrics();
    int baseline = metrics.ascent();
    for (const auto& line : linesFor(width())) {
        painter.drawText(0, baseline, line);
        baseline += metrics.lineSpacing();
    }
}

QStringList ClampedText::linesFor(int width) const {
    if (m_text.isEmpty() || width <= 0) return {};
    // QTextLayout breaks lines only at the Unicode line separator, not at a line feed.
    QString text = m_text;
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (auto line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        auto shown = text.mid(line.textStart(), line.textLength()).remove(QChar::LineSeparator);
        if (lines.size() == m_maximumLines - 1 && line.textStart() + line.textLength() < text.size()) {
            // More follows than fits: the last line shown ends in "…", cut further if it must.
            while (!shown.isEmpty() && shown.back().isSpace()) shown.chop(1);
            lines.append(fontMetrics().elidedText(shown + u'…', Qt::ElideRight, width));
            break;
        }
        lines.append(shown);
    }
    layout.endLayout();
    return lines;
}

} // namespace orvel
