#include "ui/RecentsList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "orvel/Unicode.h"
#include "ui/Card.h"
#include "ui/ElidedLabel.h"
#include "ui/RowButton.h"
#include "ui/Style.h"

namespace orvel {

namespace {

// Inputs longer than this many characters are cut, so a pasted log stays one short row.
constexpr std::size_t shownInputLength = 64;

} // namespace

RecentsList::RecentsList(const InspectionHistory& history, int limit, std::function<void(const HistoryEntry&)> onSelect,
                         std::function<void()> onClear, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("recentsList"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* header = new QHBoxLayout;
    header->addWidget(Style::label(QStringLiteral("RECENT"), Style::semibold(Style::font(Style::TextStyle::caption)),
                                   Style::secondary(palette())));
    header->addStretch();
    auto* clear = new QToolButton;
    clear->setObjectName(QStringLiteral("recentsClear"));
    clear->setText(QStringLiteral("Clear"));
    clear->setAutoRaise(true);
    connect(clear, &QToolButton::clicked, this, std::move(onClear));
    header->addWidget(clear);
    layout->addLayout(header);

    auto* card = new Card(palette().color(QPalette::Base), Style::quaternary(palette()));
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(0);
    layout->addWidget(card);
    const QFont caption = Style::monospaced(Style::TextStyle::caption);
    const auto& entries = history.entries();
    const auto shown = std::min(entries.size(), static_cast<std::size_t>(std::max(limit, 0)));
    for (std::size_t index = 0; index < shown; ++index) {
        const HistoryEntry& entry = entries[index];
        auto* row = new RowButton;
        row->setObjectName(QStringLiteral("recentRow"));
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(8, 6, 8, 6);
        rowLayout->setSpacing(10);
        auto* shape =
            Style::label(QString::fromStdString(entry.shapeLabel()), caption, palette().color(QPalette::WindowText));
        shape->setObjectName(QStringLiteral("recentShape"));
        rowLayout->addWidget(shape);
        auto* input = new ElidedLabel(QString::fromStdString(Unicode::truncated(entry.input, shownInputLength)));
        input->setObjectName(QStringLiteral("recentInput"));
        input->setFont(caption);
        Style::setTextColour(input, Style::secondary(palette()));
        rowLayout->addWidget(input, 1);
        // The row keeps its own copy: selecting it changes the history the entry came from.
        connect(row, &RowButton::clicked, this, [onSelect, entry] { onSelect(entry); });
        rows->addWidget(row);
    }
    card->setVisible(shown > 0);
}

} // namespace orvel
