#include "ui/StepCard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "orvel/DetailCategorizer.h"
#include "ui/ConfidenceBadge.h"
#include "ui/DetailTable.h"
#include "ui/Style.h"

namespace orvel {

StepCard::StepCard(int index, const DecodeResult& step, QWidget* parent)
    : Card(QPalette().color(QPalette::Base), Style::quaternary(QPalette()), parent) {
    setObjectName(QStringLiteral("stepCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* position =
        Style::label(QString::number(index), Style::monospaced(Style::TextStyle::caption), Style::secondary(palette()));
    position->setMinimumWidth(16);
    header->addWidget(position);
    const std::string_view raw = rawValue(step.kind);
    auto* kind = Style::label(QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())),
                              Style::font(Style::TextStyle::headline), palette().color(QPalette::WindowText));
    kind->setObjectName(QStringLiteral("stepKind"));
    header->addWidget(kind);
    header->addStretch();
    header->addWidget(new ConfidenceBadge(step.confidence));
    layout->addLayout(header);

    auto* summary = Style::label(QString::fromStdString(step.summary), Style::font(Style::TextStyle::subheadline),
                                 palette().color(QPalette::WindowText));
    summary->setObjectName(QStringLiteral("stepSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    const DetailCategorizer groups(step.details);
    if (!groups.facts.empty()) layout->addWidget(new DetailTable(QStringLiteral("Facts"), groups.facts, std::nullopt));
    if (!groups.notes.empty())
        layout->addWidget(new DetailTable(QStringLiteral("What it means / next steps"), groups.notes, Style::orange()));
}

} // namespace orvel
