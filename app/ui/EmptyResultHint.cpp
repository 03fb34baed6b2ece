#include "ui/EmptyResultHint.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/Style.h"

namespace orvel {

EmptyResultHint::EmptyResultHint(const QString& systemImage, const QString& text, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("emptyResultHint"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 48, 0, 0);
    layout->setSpacing(10);
    auto* symbol = Style::symbolLabel(systemImage, 32, Style::tertiary(palette()));
    symbol->setObjectName(QStringLiteral("hintSymbol"));
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* sentence = Style::label(text, font(), Style::secondary(palette()));
    sentence->setObjectName(QStringLiteral("hintText"));
    sentence->setAlignment(Qt::AlignCenter);
    sentence->setWordWrap(true);
    layout->addWidget(sentence);
}

} // namespace orvel
