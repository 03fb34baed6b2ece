#include "ui/ExplanationCard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/SelectableText.h"
#include "ui/Style.h"

namespace orvel {

using State = InspectorModel::Explanation::State;

ExplanationCard::ExplanationCard(const InspectorModel::Explanation& state, QWidget* parent)
    : Card(Style::withOpacity(Style::purple(), 0.06), Style::withOpacity(Style::purple(), 0.18), parent) {
    setObjectName(QStringLiteral("explanationCard"));
    if (state.state == State::none) hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(Style::symbolLabel(QStringLiteral("sparkles"), 14, Style::purple()));
    const QFont caption2 = Style::font(Style::TextStyle::caption2);
    header->addWidget(
        Style::label(QStringLiteral("EXPLANATION"), Style::semibold(caption2), Style::secondary(palette())));
    header->addStretch();
    if (state.state == State::ready) {
        const QColor tertiary = Style::tertiary(palette());
        header->addWidget(Style::symbolLabel(QStringLiteral("lock.fill"), 10, tertiary));
        const std::string_view raw = rawValue(state.source);
        auto* source =
            Style::label(QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())), caption2, tertiary);
        source->setObjectName(QStringLiteral("explanationSource"));
        header->addWidget(source);
    }
    layout->addLayout(header);

    if (state.state == State::loading) {
        auto* row = new QHBoxLayout;
        auto* progress = new QProgressBar;
        progress->setRange(0, 0);
        progress->setTextVisible(false);
        progress->setFixedSize(48, 6);
        row->addWidget(progress);
        auto* thinking = Style::label(QStringLiteral("Thinking on-device…"), font(), Style::secondary(palette()));
        thinking->setObjectName(QStringLiteral("explanationLoading"));
        row->addWidget(thinking);
        row->addStretch();
        layout->addLayout(row);
    } else if (state.state == State::ready) {
        auto* text =
            new SelectableText(QString::fromStdString(state.text), font(), palette().color(QPalette::WindowText));
        text->setObjectName(QStringLiteral("explanationText"));
        layout->addWidget(text);
    }
}

} // namespace orvel
