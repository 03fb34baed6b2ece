#include "ui/SelectableText.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>

#include <cmath>

#include "ui/TextCut.h"

namespace orvel {

SelectableText::SelectableText(const QString& text, const QFont& font, const QColor& colour, int maximumContentHeight,
                               QWidget* parent)
    : QTextEdit(parent), m_maximumContentHeight(maximumContentHeight) {
    setFrameShape(QFrame::NoFrame);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(maximumContentHeight > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    setPlainText(text.size() <= shownLength
                     ? text
                     : TextCut::beginning(text, shownLength) +
                           QStringLiteral("\n… %L1 more characters").arg(text.size() - shownLength));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The document re-lays itself out at every width; the widget follows its height.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &SelectableText::fitHeight);
    fitHeight();
}

QSize SelectableText::sizeHint() const { return {200, height()}; }

QSize SelectableText::minimumSizeHint() const { return {40, height()}; }

void SelectableText::fitHeight() {
    const int content = static_cast<int>(std::ceil(document()->size().height()));
    const int shown = m_maximumContentHeight > 0 ? std::min(content, m_maximumContentHeight) : content;
    setFixedHeight(shown + frameWidth() * 2);
}

} // namespace orvel
