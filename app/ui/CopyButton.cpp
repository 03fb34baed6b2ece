#include "ui/CopyButton.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/Style.h"

namespace orvel {

CopyButton::CopyButton(QString text, QWidget* parent) : QToolButton(parent), m_text(std::move(text)) {
    setObjectName(QStringLiteral("copyButton"));
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFont(Style::font(Style::TextStyle::caption));
    setIconSize(QSize(12, 12));
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::clicked, this, &CopyButton::copy);
    showState();
}

void CopyButton::copy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_text);
    m_copied = true;
    showState();
}

void CopyButton::showState() {
    const QString symbol = m_copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
    setText(m_copied ? QStringLiteral("Copied") : QStringLiteral("Copy"));
    setIcon(Style::symbol(symbol, 12, palette().color(QPalette::ButtonText), devicePixelRatioF()));
}

} // namespace orvel
