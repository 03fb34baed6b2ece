#include "ui/ConfidenceBadge.h"

#include <cmath>

#include "ui/Style.h"

namespace orvel {

ConfidenceBadge::ConfidenceBadge(double confidence, QWidget* parent)
    : Pill(QString::number(std::lround(confidence * 100)) + u'%', Style::quaternary(QPalette()), Shape::badge, 6, 2,
           parent) {
    setObjectName(QStringLiteral("confidenceBadge"));
    setFont(Style::monospaced(Style::TextStyle::caption2));
    Style::setTextColour(this, Style::secondary(palette()));
}

} // namespace orvel
