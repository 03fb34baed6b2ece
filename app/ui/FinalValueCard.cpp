#include "ui/FinalValueCard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/CopyButton.h"
#include "ui/SelectableText.h"
#include "ui/Style.h"

namespace orvel {

FinalValueCard::FinalValueCard(const QString& value, QWidget* parent)
    : Card(Qt::transparent, Style::quaternary(QPalette()), parent) {
    setObjectName(QStringLiteral("finalValueCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 12);
    layout->setSpacing(6);
    auto* header = new QHBoxLayout;
    header->addWidget(Style::label(QStringLiteral("FINAL VALUE"),
                                   Style::semibold(Style::font(Style::TextStyle::caption)),
                                   Style::secondary(palette())));
    header->addStretch();
    header->addWidget(new CopyButton(value));
    layout->addLayout(header);
    auto* text = new SelectableText(value, Style::monospaced(Style::TextStyle::callout),
                                    palette().color(QPalette::WindowText), 180);
    text->setObjectName(QStringLiteral("finalValue"));
    layout->addWidget(text);
}

} // namespace orvel
