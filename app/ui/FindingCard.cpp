#include "ui/FindingCard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/ChainView.h"
#include "ui/ElidedLabel.h"
#include "ui/Pill.h"
#include "ui/Style.h"

namespace orvel {

FindingCard::FindingCard(const ScanFinding& finding, QWidget* parent)
    : Card(QPalette().color(QPalette::AlternateBase), Style::quaternary(QPalette()), parent) {
    setObjectName(QStringLiteral("findingCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(10);
    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    const QFont caption = Style::monospaced(Style::TextStyle::caption);
    auto* line = new Pill(QStringLiteral("line ") + QString::number(finding.line), Style::quaternary(palette()),
                          Pill::Shape::capsule, 8, 2);
    line->setObjectName(QStringLiteral("findingLine"));
    line->setFont(caption);
    header->addWidget(line);
    auto* matched = new ElidedLabel(QString::fromStdString(finding.matchedText));
    matched->setObjectName(QStringLiteral("findingText"));
    matched->setFont(caption);
    Style::setTextColour(matched, Style::secondary(palette()));
    header->addWidget(matched, 1);
    layout->addLayout(header);
    layout->addWidget(new ChainView(finding.chain));
}

} // namespace orvel
