#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>

#include <cstddef>

class QLabel;
class QPushButton;

namespace orvel {

class ClampedText;
class InspectorModel;

/// The tray's panel: one button that decodes the clipboard, a short preview of the result and a
/// count of its risks, and
/// the ways to the main window and out of the application. It closes when a click lands
/// elsewhere, like a menu.
class PopupPanel final : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 330;
    /// The final value is previewed up to this many user-perceived characters.
    static constexpr std::size_t previewCharacters = 240;
    /// …and across at most this many lines.
    static constexpr int previewLines = 4;

    /// A hidden panel that follows `model`'s results and drives its clipboard operation.
    explicit PopupPanel(InspectorModel& model, QWidget* parent = nullptr);

    /// Shows the panel beside `anchor` (the tray icon or the pointer), inside that point's screen.
    void showNear(QPoint anchor);
    /// Whether the panel closed a moment ago: the click on the tray icon that closed it must not
    /// open it again.
    bool closedJustNow() const;

signals:
    /// "Open Orvel" was pressed; the panel has closed.
    void openMainWindowRequested();

protected:
    /// Draws the panel's background and its outline.
    void paintEvent(QPaintEvent* event) override;
    /// Notes when the panel closed.
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeHeader();
    QPushButton* makeInspectButton();
    QWidget* makePreview();
    QWidget* makeFooter();
    void showResults();
    void place();

    InspectorModel& m_model;
    QWidget* m_card = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_shape = nullptr;
    ClampedText* m_value = nullptr;
    QLabel* m_risks = nullptr;
    QPoint m_anchor;
    QElapsedTimer m_sinceHidden;
};

} // namespace orvel
