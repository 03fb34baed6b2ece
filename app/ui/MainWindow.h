#pragma once

#include <QMainWindow>

#include <functional>

namespace orvel {

class InspectorModel;

/// The main window, "Orvel": the full decoder around the shared model.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    /// The window for `model`; `onHotKey` is what the global shortcut does.
    MainWindow(InspectorModel& model, std::function<void()> onHotKey, QWidget* parent = nullptr);
};

} // namespace orvel
