#include "ui/MainWindow.h"

#include "ui/ContentView.h"

namespace orvel {

MainWindow::MainWindow(InspectorModel& model, std::function<void()> onHotKey, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Orvel"));
    setMinimumSize(560, 480);
    resize(720, 780);
    setCentralWidget(new ContentView(model, std::move(onHotKey)));
}

} // namespace orvel
