#include "ui/DetailTable.h"

#include <QGridLayout>
#include <QLabel>

#include "ui/SelectableText.h"
#include "ui/Style.h"

namespace orvel {

DetailTable::DetailTable(const QString& title, const Rows& rows, std::optional<QColor> tint, QWidget* parent)
    : Card(Style::withOpacity(tint.value_or(QColor(Qt::gray)), 0.06), Qt::transparent, parent) {
    setObjectName(QStringLiteral("detailTable"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(4);
    layout->setColumnStretch(1, 1);
    auto* heading = Style::label(title, Style::semibold(Style::font(Style::TextStyle::caption)),
                                 tint.value_or(Style::secondary(palette())));
    heading->setObjectName(QStringLiteral("detailTitle"));
    layout->addWidget(heading, 0, 0, 1, 2);
    const QFont keyFont = Style::monospaced(Style::TextStyle::caption);
    const QFont valueFont = Style::font(Style::TextStyle::caption);
    int row = 1;
    for (const auto& [key, value] : rows) {
        auto* keyLabel = Style::label(QString::fromStdString(key), keyFont, Style::secondary(palette()));
        keyLabel->setObjectName(QStringLiteral("detailKey"));
        keyLabel->setFixedWidth(130);
        keyLabel->setWordWrap(true);
        keyLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* valueText =
            new SelectableText(QString::fromStdString(value), valueFont, palette().color(QPalette::WindowText));
        valueText->setObjectName(QStringLiteral("detailValue"));
        layout->addWidget(keyLabel, row, 0, Qt::AlignTop | Qt::AlignLeft);
        layout->addWidget(valueText, row, 1, Qt::AlignTop);
        ++row;
    }
}

} // namespace orvel
