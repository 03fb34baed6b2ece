#include "ui/ChainView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/FinalValueCard.h"
#include "ui/ShapeBar.h"
#include "ui/StepCard.h"
#include "ui/Style.h"

namespace orvel {

ChainView::ChainView(const DecodeChain& chain, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chainView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    if (!chain.isRecognized()) {
        const QColor colour = Style::secondary(palette());
        auto* row = new QHBoxLayout;
        row->setContentsMargins(8, 8, 8, 8);
        row->setSpacing(6);
        row->addWidget(Style::symbolLabel(QStringLiteral("questionmark.circle"), 16, colour));
        auto* text = Style::label(QStringLiteral("Not recognized — plain text or unsupported format."), font(), colour);
        text->setObjectName(QStringLiteral("notRecognized"));
        text->setWordWrap(true);
        row->addWidget(text, 1);
        layout->addLayout(row);
        return;
    }
    layout->addWidget(new ShapeBar(chain.kinds()));
    for (std::size_t position = 0; position < chain.steps.size(); ++position)
        layout->addWidget(new StepCard(static_cast<int>(position) + 1, chain.steps[position]));
    layout->addWidget(new FinalValueCard(QString::fromStdString(chain.finalValue())));
}

} // namespace orvel
