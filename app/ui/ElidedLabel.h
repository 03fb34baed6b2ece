#pragma once

#include <QLabel>

namespace orvel {

/// One line of text that, when it does not fit, gives up its middle to "…".
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    /// A label holding `text` whole; only its painting is shortened.
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    /// One line of the whole text, at most 480 wide.
    QSize sizeHint() const override;
    /// Room for a few characters around the ellipsis.
    QSize minimumSizeHint() const override;

protected:
    /// Draws the text on one line, its middle elided to fit.
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_oneLine;
};

} // namespace orvel
