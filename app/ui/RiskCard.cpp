#include "ui/RiskCard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/Pill.h"
#include "ui/SelectableText.h"
#include "ui/Style.h"

namespace orvel {

QColor RiskCard::colour(RiskSeverity severity, const QPalette& palette) {
    switch (severity) {
    case RiskSeverity::high:
        return Style::red();
    case RiskSeverity::medium:
        return Style::orange();
    default:
        return Style::secondary(palette);
    }
}

RiskCard::RiskCard(const std::vector<Risk>& risks, QWidget* parent)
    : Card(Style::withOpacity(colour(risks.front().severity, QPalette()), 0.05),
           Style::withOpacity(colour(risks.front().severity, QPalette()), 0.3), parent) {
    setObjectName(QStringLiteral("riskCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(
        Style::symbolLabel(QStringLiteral("exclamationmark.triangle"), 14, colour(risks.front().severity, palette())));
    header->addWidget(Style::label(QStringLiteral("RISKS"), Style::semibold(Style::font(Style::TextStyle::caption2)),
                                   Style::secondary(palette())));
    header->addStretch();
    layout->addLayout(header);

    // A grid, so that every reason starts at the widest pill's edge.
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(10);
    rows->setVerticalSpacing(10);
    rows->setColumnStretch(1, 1);
    const QFont caption = Style::font(Style::TextStyle::caption);
    for (int row = 0; row < static_cast<int>(risks.size()); ++row) {
        const Risk& risk = risks[static_cast<std::size_t>(row)];
        const QColor tint = colour(risk.severity, palette());
        const std::string_view name = severityName(risk.severity);
        auto* severity = new Pill(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                                  Style::withOpacity(tint, 0.16), Pill::Shape::capsule, 8, 1);
        severity->setObjectName(QStringLiteral("riskSeverity"));
        severity->setFont(Style::semibold(Style::font(Style::TextStyle::caption2)));
        Style::setTextColour(severity, tint);
        rows->addWidget(severity, row, 0, Qt::AlignLeft | Qt::AlignTop);

        auto* text = new QVBoxLayout;
        text->setSpacing(2);
        auto* reason =
            new SelectableText(QString::fromStdString(risk.reason), font(), palette().color(QPalette::WindowText));
        reason->setObjectName(QStringLiteral("riskReason"));
        text->addWidget(reason);
        auto* reference =
            Style::label(QString::fromStdString(risk.id + " · " + risk.reference), caption, Style::tertiary(palette()));
        reference->setObjectName(QStringLiteral("riskReference"));
        reference->setWordWrap(true);
        reference->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->addWidget(reference);
        rows->addLayout(text, row, 1);
    }
    layout->addLayout(rows);
}

} // namespace orvel
