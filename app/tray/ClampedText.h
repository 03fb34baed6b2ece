#pragma once

#include <QStringList>
#include <QWidget>

namespace orvel {

/// Plain text wrapped across the widget's width, at word boundaries where it can and anywhere
/// where it must (a long token has no spaces), cut to a number of lines with "…" on the last.
class ClampedText final : public QWidget {
    Q_OBJECT

public:
    explicit ClampedText(int maximumLines, QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    /// Shows `text` in place of the current one.
    void setText(const QString& text);
    /// The lines as painted at the current width, the last one elided when the text is cut.
    QStringList visibleLines() const { return linesFor(width()); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList linesFor(int width) const;

    int m_maximumLines;
    QString m_text;
};

} // namespace orvel
