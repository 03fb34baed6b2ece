#include "ui/ShapeBar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/Pill.h"
#include "ui/Style.h"

namespace orvel {

ShapeBar::ShapeBar(const std::vector<DetectionKind>& kinds, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("shapeBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    const QColor accent = Style::accent(palette());
    for (std::size_t position = 0; position < kinds.size(); ++position) {
        if (position > 0) {
            auto* arrow = Style::symbolLabel(QStringLiteral("arrow.right"), 12, Style::tertiary(palette()));
            arrow->setObjectName(QStringLiteral("shapeArrow"));
            layout->addWidget(arrow);
        }
        const std::string_view raw = rawValue(kinds[position]);
        auto* kind = new Pill(QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())),
                              Style::withOpacity(accent, 0.15), Pill::Shape::capsule, 8, 3);
        kind->setObjectName(QStringLiteral("shapeKind"));
        kind->setFont(Style::monospaced(Style::TextStyle::caption));
        Style::setTextColour(kind, accent);
        layout->addWidget(kind);
    }
    layout->addStretch();
}

} // namespace orvel
