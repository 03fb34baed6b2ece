#pragma once

#include <QWidget>

#include <functional>

namespace orvel {

class InputArea;
class InspectorModel;

/// The main window's content: the input area, a divider and the scrolling result area.
class ContentView : public QWidget {
    Q_OBJECT

public:
    /// The content for `model`; `onHotKey` is what the global shortcut does once registered.
    ContentView(InspectorModel& model, std::function<void()> onHotKey, QWidget* parent = nullptr);

protected:
    /// Shows the full history, explains the chain again and registers the global shortcut.
    void showEvent(QShowEvent* event) override;

private:
    InspectorModel& m_model;
    std::function<void()> m_onHotKey;
    InputArea* m_inputArea;
};

} // namespace orvel
