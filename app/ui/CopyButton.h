#pragma once

#include <QToolButton>

namespace orvel {

/// "Copy": puts its text on the clipboard as plain text, then says "Copied" for as long as it lives.
class CopyButton : public QToolButton {
    Q_OBJECT

public:
    /// A button that copies `text`.
    explicit CopyButton(QString text, QWidget* parent = nullptr);

private:
    /// Clears the clipboard, puts the text on it and marks the button copied.
    void copy();
    /// Shows "Copy" or "Copied" with the matching symbol.
    void showState();

    QString m_text;
    bool m_copied = false;
};

} // namespace orvel
