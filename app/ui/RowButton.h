#pragma once

#include <QAbstractButton>

namespace orvel {

/// A plain button whose label is whatever its layout holds: a list row that highlights under
/// the pointer.
class RowButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit RowButton(QWidget* parent = nullptr);

    /// Its layout's size.
    QSize sizeHint() const override;
    /// Its layout's minimum size.
    QSize minimumSizeHint() const override;

protected:
    /// Highlights the row under the pointer and while pressed.
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvel
