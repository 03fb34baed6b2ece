#pragma once

#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QStringList>

#include <memory>

#include "model/InspectorModel.h"

namespace orvel {

class MainWindow;
class TrayIcon;

/// The running application: the one model, the main window, the tray icon and its popup, and
/// what the global shortcut and a second start ask of them.
class AppShell final : public QObject {
    Q_OBJECT

public:
    /// Builds the model from the stored history and `arguments`, shows the tray icon once a tray
    /// host exists, and the main window, or the popup for "--popup", or nothing for "--hidden".
    explicit AppShell(const QStringList& arguments);
    ~AppShell() override;

    /// Shows, raises and activates the main window, creating it if it is gone.
    void openMainWindow();
    /// Brings the main window forward and decodes the clipboard (the global shortcut's action).
    void inspectClipboard();
    /// Acts on the switches a second start handed over, as if this process had been started with them.
    void applyForwardedArguments(const QStringList& arguments);

private:
    /// Opens the popup by the pointer when `arguments` holds "--popup".
    void showPopupIfAsked(const QStringList& arguments);

    QSettings m_settings;
    InspectorModel m_model;
    QPointer<MainWindow> m_window;
    std::unique_ptr<TrayIcon> m_tray;
};

} // namespace orvel
