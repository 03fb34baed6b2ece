#pragma once

#include <QLabel>

namespace orvel {

/// One line of text that, when it does not fit, gives up its middle to "…".
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    /// A label holding `text` whole; only its painting is shortened.
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_oneLine;
};

} // namespace orvel
