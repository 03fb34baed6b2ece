#pragma once

#include <QTextEdit>

namespace orvel {

/// Read-only text the user can select, wrapped at word boundaries and, where a word is wider
/// than the line, anywhere in it; as tall as its text, up to an optional limit past which it scrolls.
class SelectableText : public QTextEdit {
    Q_OBJECT

public:
    /// Longer texts show only their beginning: a decoded value can be megabytes, and laying it
    /// out took seconds (9 MB: 3.3 s), again at every resize of the window.
    static constexpr qsizetype shownLength = 8 * 1024;

    /// `text` in `font` and `colour`; `maximumContentHeight` 0 means no limit.
    SelectableText(const QString& text, const QFont& font, const QColor& colour, int maximumContentHeight = 0,
                   QWidget* parent = nullptr);

    /// The height of its text at the current width.
    QSize sizeHint() const override;
    /// Narrow, at the height of its text.
    QSize minimumSizeHint() const override;

private:
    /// Takes the height of the laid-out text, up to the limit.
    void fitHeight();

    int m_maximumContentHeight;
};

} // namespace orvel
