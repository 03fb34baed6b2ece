#include "ui/Style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace orvel::Style {

namespace {

// Sizes relative to the application font. The caption sizes stay readable on the larger
// default fonts of Linux desktops instead of following a 13-point body literally.
double scale(TextStyle style) {
    switch (style) {
    case TextStyle::caption2:
        return 0.85;
    case TextStyle::caption:
        return 0.9;
    case TextStyle::subheadline:
        return 0.95;
    case TextStyle::callout:
        return 0.95;
    case TextStyle::headline:
        return 1.0;
    }
    return 1.0;
}

QFont styled(QFont base, TextStyle style) {
    const double applicationSize = QApplication::font().pointSizeF();
    base.setPointSizeF(std::max(7.0, applicationSize * scale(style)));
    if (style == TextStyle::headline) base.setWeight(QFont::DemiBold);
    return base;
}

} // namespace

QFont font(TextStyle style) { return styled(QApplication::font(), style); }

QFont monospaced(TextStyle style) { return styled(QFontDatabase::systemFont(QFontDatabase::FixedFont), style); }

QFont semibold(QFont font) {
    font.setWeight(QFont::DemiBold);
    return font;
}

QColor secondary(const QPalette& palette) { return withOpacity(palette.color(QPalette::WindowText), 0.62); }

QColor tertiary(const QPalette& palette) { return withOpacity(palette.color(QPalette::WindowText), 0.4); }

QColor quaternary(const QPalette& palette) { return withOpacity(palette.color(QPalette::WindowText), 0.12); }

QColor accent(const QPalette& palette) { return palette.color(QPalette::Highlight); }

QColor purple() { return {0xAF, 0x52, 0xDE}; }

QColor orange() { return {0xE8, 0x83, 0x00}; }

QColor red() { return {0xE5, 0x3B, 0x30}; }

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

QIcon symbol(const QString& name) { return QIcon(QStringLiteral(":/icons/%1.svg").arg(name)); }

QPixmap symbol(const QString& name, int size, const QColor& colour, qreal devicePixelRatio) {
    QPixmap pixmap = symbol(name).pixmap(QSize(size, size), devicePixelRatio);
    if (pixmap.isNull()) return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(), pixmap.deviceIndependentSize()), colour);
    return pixmap;
}

QLabel* symbolLabel(const QString& name, int size, const QColor& colour) {
    auto* label = new QLabel;
    label->setPixmap(symbol(name, size, colour, label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    label->setProperty("symbol", name);
    return label;
}

QLabel* label(const QString& text, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    setTextColour(label, colour);
    return label;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void paintRounded(QPainter& painter, const QRectF& rect, qreal radius, const QColor& fill, const QColor& border) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(border.alpha() > 0 ? QPen(border, 1) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    // Half a pixel in, so that a one-pixel border falls on whole pixels.
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

} // namespace orvel::Style
