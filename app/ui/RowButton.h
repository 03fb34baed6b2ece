#pragma once

#include <QAbstractButton>

namespace orvel {

/// A plain button whose label is whatever its layout holds: a list row that highlights under
/// the pointer.
class RowButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit RowButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvel
