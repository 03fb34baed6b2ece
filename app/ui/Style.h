#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QLabel;
class QPainter;
class QPalette;
class QRectF;
class QWidget;

// The views' shared look: text styles, the palette's shades, the named colours and the symbols.
namespace orvel::Style {

/// The type ramp the views use, smallest first.
enum class TextStyle { caption2, caption, subheadline, callout, headline };

/// The application font at `style`'s size and weight.
QFont font(TextStyle style);
/// The system's fixed-width font at `style`'s size and weight.
QFont monospaced(TextStyle style);
/// `font` in semibold.
QFont semibold(QFont font);

/// Text and symbols of lesser importance: labels, keys, the confidence.
QColor secondary(const QPalette& palette);
/// Hints and decorations: arrows, the empty-result symbols, the explanation's source.
QColor tertiary(const QPalette& palette);
/// Quiet fills and borders: badges, capsules, the final value's frame.
QColor quaternary(const QPalette& palette);
/// The palette's accent (its highlight).
QColor accent(const QPalette& palette);
/// The explanation's colour.
QColor purple();
/// The colour of the engine's notes and of medium risks.
QColor orange();
/// The colour of high risks.
QColor red();
/// `colour` at `opacity` (0 to 1).
QColor withOpacity(QColor colour, double opacity);

/// The symbol `name` as drawn (its own colours), from the application's resources.
QIcon symbol(const QString& name);
/// The symbol `name`, `size` pixels square, filled with `colour`.
QPixmap symbol(const QString& name, int size, const QColor& colour, qreal devicePixelRatio);
/// A label showing the symbol `name` at `size`, filled with `colour`.
QLabel* symbolLabel(const QString& name, int size, const QColor& colour);
/// Makes `widget` draw its text in `colour`.
void setTextColour(QWidget* widget, const QColor& colour);
/// A label with `text` (plain) in `font` and `colour`.
QLabel* label(const QString& text, const QFont& font, const QColor& colour);
/// Paints a rounded rectangle filled with `fill` and outlined in `border` (transparent for none).
void paintRounded(QPainter& painter, const QRectF& rect, qreal radius, const QColor& fill, const QColor& border);

} // namespace orvel::Style
