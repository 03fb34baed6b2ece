#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;
class QToolButton;

namespace orvel {

class InputEditor;
class InspectorModel;

/// The top of the window: the mode picker, the clipboard, sample and clear buttons, and the
/// editor bound to the model's input.
class InputArea : public QWidget {
    Q_OBJECT

public:
    /// The input area of `model`.
    explicit InputArea(InspectorModel& model, QWidget* parent = nullptr);

    /// Names `chord`, the global shortcut that does the same, in the clipboard button's tooltip.
    void showHotKey(const QString& chord);

private:
    /// The segmented picker: one checkable button per mode, in the model's order.
    QWidget* modePicker();
    /// Shows the model's mode, input and the state of the buttons.
    void refresh();

    InspectorModel& m_model;
    QButtonGroup* m_modes;
    QToolButton* m_clipboard;
    QToolButton* m_clear;
    InputEditor* m_editor;
    QLabel* m_largeInputNote;
};

} // namespace orvel
