#pragma once

#include <QStringList>
#include <QWidget>

namespace orvel {

/// Plain text wrapped across the widget's width, at word boundaries where it can and anywhere
/// where it must (a long token has no spaces), cut to a number of lines with "…" on the last.
class ClampedText final : public QWidget {
    Q_OBJECT

public:
    /// An empty text that will show at most `maximumLines` lines.
    explicit ClampedText(int maximumLines, QWidget* parent = nullptr);

    /// The whole text, however much of it is painted.
    const QString& text() const { return m_text; }
    /// Shows `text` in place of the current one.
    void setText(const QString& text);
    /// The lines as painted at the current width, the last one elided when the text is cut.
    QStringList visibleLines() const { return linesFor(width()); }

    /// Its height depends on its width: the text wraps.
    bool hasHeightForWidth() const override { return true; }
    /// The height of the lines shown at `width`.
    int heightForWidth(int width) const override;
    /// Forty average characters wide, at the height of the text there.
    QSize sizeHint() const override;
    /// Narrow, one line high.
    QSize minimumSizeHint() const override;

protected:
    /// Draws the lines shown, one below the other.
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList linesFor(int width) const;

    int m_maximumLines;
    QString m_text;
};

} // namespace orvel
